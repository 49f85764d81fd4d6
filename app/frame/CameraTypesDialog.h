// The camera-type dialog "Select Camera Models": one tab per camera family
// page that gives a widget, OK and Cancel. OK applies every page that has an
// invokable Apply() -> bool, in order; a page that refuses keeps the dialog
// open on that page. The pages stay the families':
// the dialog hands their widgets back (without parent) before it ends, so
// releasing a page never meets a widget the dialog already deleted.
//
// User-interface thread only. A page without a widget is left out.
#pragma once

#include <QDialog>
#include <QPointer>

#include <vector>

class ISdkPropertyPage;
class QTabWidget;
class QWidget;

namespace tarsel::frame {

class CameraTypesDialog : public QDialog {
  Q_OBJECT

public:
  // The pages are not released by the dialog.
  CameraTypesDialog(const std::vector<ISdkPropertyPage*>& pages, QWidget* parent = nullptr);
  ~CameraTypesDialog() override;

  // Tabs the dialog shows; 0 means nothing could be selected.
  int PageCount() const;

private:
  void ApplyPagesAndAccept();

  QTabWidget* m_tabs = nullptr;
  std::vector<QPointer<QWidget>> m_widgets;
};

} // namespace tarsel::frame
