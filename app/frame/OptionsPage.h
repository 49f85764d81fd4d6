// What the program's own pages of the Options sheet share: the settings
// factory (one reference for the page's life), the page site, the page's
// index (the site's page count when it was made), its help topic and the
// help object while the page is shown.
//
// The sheet drives own pages and the savers' pages alike through Qt's
// meta-object system: the signal changed() (Apply becomes enabled), the
// invokable Apply() -> bool (false: the page refused and the sheet stays on
// it), the signal cancelToClose() (Cancel becomes Close) and the invokable
// Help(). A page reads its options when it is made and writes them only on
// Apply, to settings opened writable for that apply alone; failures to
// store are not reported. User-interface thread only; every handler is
// guarded.
#pragma once

#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

#include <QWidget>

#include <cstdint>
#include <initializer_list>
#include <memory>

class CHtmlHelp;
class IPropSheetCallback;
class QBoxLayout;
class QButtonGroup;

namespace tarsel::frame {

class OptionsPage : public QWidget {
  Q_OBJECT

public:
  ~OptionsPage() override;

  std::int32_t PageIndex() const { return m_pageIndex; }

  Q_INVOKABLE bool Apply();
  Q_INVOKABLE void Help();

signals:
  void changed();
  void cancelToClose();

protected:
  // `helpTopic` is a static text.
  OptionsPage(ITarselSettings* settings, IPropSheetCallback* sheet, const QString& title,
              const char* helpTopic, QWidget* parent = nullptr);

  // The user options, read-only, for reading the page's values (may be null:
  // the controls keep their defaults).
  CRefPtr<ITarselConfigSettings> ReadSettings() const;
  // False when a value may not be stored (the page has told the user why).
  virtual bool Validate() { return true; }
  // Writes the page's values; may throw.
  virtual void Store(ITarselConfigSettings& user) = 0;
  // A radio button: its control id, the value it stands for (its id in the
  // group) and its text (translated here).
  struct Radio {
    int controlId;
    int value;
    const char* text;
  };
  // Radio buttons made in `parent`, added to `layout` in order, in one exclusive group.
  QButtonGroup* AddRadios(QBoxLayout* layout, QWidget* parent, std::initializer_list<Radio> radios);
  // Every change of the control marks the sheet changed.
  template <class Control, class Signal> void MarksChanged(Control* control, Signal signal) {
    connect(control, signal, this, &OptionsPage::changed);
  }

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

  CRefPtr<ITarselSettings> m_settings;

private:
  IPropSheetCallback* m_sheet;
  std::int32_t m_pageIndex = 0;
  const char* m_helpTopic;
  std::unique_ptr<CHtmlHelp> m_help;
};

} // namespace tarsel::frame
