// The About box: the program's name and version, a link to the product's
// web page (control 1019), buttons that open the help topics on legal
// matters (2101) and acknowledgements (2102), and OK. The help object is made
// on first use and deleted with the dialog. User-interface thread only.
#pragma once

#include <QDialog>
#include <QUrl>

#include <memory>

class CHtmlHelp;
class CStaticLink;

class CAboutDlg : public QDialog {
  Q_OBJECT

public:
  static constexpr int IDD = 100;
  static constexpr int IDC_WEB_LINK = 1019;
  static constexpr int IDC_LEGAL = 2101;
  static constexpr int IDC_ACKNOWLEDGEMENTS = 2102;
  static constexpr const char* kLegalTopic = "10_legal_stuff.htm";
  static constexpr const char* kAcknowledgementsTopic = "101_Acknowledgements.htm";

  // The product's web page.
  static QUrl ProductPage();

  explicit CAboutDlg(QWidget* parent = nullptr);
  ~CAboutDlg() override;

  // The control of that id, or null.
  QWidget* GetDlgItem(int id) const;

private:
  void ShowHelpTopic(const char* topic);

  std::unique_ptr<CHtmlHelp> m_help;
};
