// The question a picture download asks when a picture's file name already
// exists in the destination folder: overwrite, skip, save under another name
// or cancel, and whether the same answer goes for the remaining pictures.
//
// The modal result is the answer's control id (IDC_OVERWRITE, IDC_SKIP,
// IDC_SAVE_AS) or IDCANCEL (Cancel, Escape, the close box). The "apply to
// all" box counts only with one of the three answers; after Cancel it reads
// false. A test installs a hook that answers in place of the user.
//
// User-interface thread only. Nothing here throws into the event loop.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;

class SavePicsFileExis : public QDialog {
  Q_OBJECT

public:
  static constexpr int IDD = 138;
  static constexpr int IDC_MESSAGE = 1014;
  static constexpr int IDC_OVERWRITE = 1044;
  static constexpr int IDC_SKIP = 1045;
  static constexpr int IDC_SAVE_AS = 1046;
  static constexpr int IDC_APPLY_TO_ALL = 1047;
  // The longest file name the question shows; a longer one is cut.
  static constexpr int kMaxFileName = 259;

  explicit SavePicsFileExis(const QString& fileName, QWidget* parent = nullptr);
  ~SavePicsFileExis() override;

  // Shows the question modally (or hands it to the test hook) and returns
  // the answer.
  int ShowModal();
  // A test answers in the user's place, e.g. by clicking one of the
  // buttons; a hook that leaves the question open answers IDCANCEL.
  using Hook = std::function<void(SavePicsFileExis& question)>;
  static Hook SetHook(Hook hook);

  // Whether the answer is for the remaining pictures too.
  bool IsApplyToAll() const { return m_applyToAll; }
  const QString& FileName() const { return m_fileName; }
  QString MessageText() const;
  // The control of that id (IDC_*, IDCANCEL), or null.
  QWidget* GetDlgItem(int id) const;

  void reject() override;

private:
  void Answer(int id);

  QString m_fileName;
  bool m_applyToAll = false;
  QLabel* m_message = nullptr;
  QCheckBox* m_applyBox = nullptr;
};
