// What a saver's page of the program's Options sheet shares: its
// description for the sheet, its Help button and topic, and telling the
// sheet that it became the active page.
//
// The sheet takes the widget over and deletes it with the sheet. It talks to
// the page through Qt's meta-object system, which both sides share:
// - the signal changed() stands for "the page has changes" (Apply enabled);
// - the invokable Apply() -> bool stores the values, false refusing the
//   apply (the sheet then stays on the page);
// - the signal cancelToClose() asks the sheet to turn Cancel into Close;
// - the invokable Help() shows the page's help topic (F1 as well).
// User-interface thread only; every handler catches its failures.
#pragma once

#include "env/BrantelTakeError.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Win32Error.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <new>

class CHtmlHelp;

namespace tarsel::savers {

class SaverPropPage : public QWidget {
  Q_OBJECT

public:
  ~SaverPropPage() override;

  // The page's description for the sheet; valid while the page lives.
  PROPSHEETPAGE* Description() { return &m_description; }

  Q_INVOKABLE bool Apply();
  Q_INVOKABLE void Help();

signals:
  void changed();
  void cancelToClose();

protected:
  // `title` and `helpTopic` are static texts.
  SaverPropPage(IPropSheetCallback* sheet, const char* title, const char* helpTopic);

  // Stores the page's values; false refuses the apply. May throw.
  virtual bool ApplyValues() = 0;

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  IPropSheetCallback* m_sheet;
  std::int32_t m_pageIndex = 0;
  const char* m_helpTopic;
  PROPSHEETPAGE m_description{};
  std::unique_ptr<CHtmlHelp> m_help;
};

// SavPropPage of a plug-in whose page is `Page` (made from the settings and
// the sheet): 0 with *page set, 8 when the page cannot be made.
template <class Page>
int MakePropPage(ITarselSettings* settings, IPropSheetCallback* sheet, PROPSHEETPAGE** page) {
  if (!page)
    ThrowError(E_INVALIDARG);
  Page* created = nullptr;
  try {
    created = new Page(settings, sheet);
  } catch (const std::bad_alloc&) {
    return kSaverNoMemory;
  }
  *page = created->Description();
  return 0;
}

} // namespace tarsel::savers
