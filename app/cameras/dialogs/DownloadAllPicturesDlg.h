// The modal "Download All Pictures" dialog of one camera, for every camera
// family: copies every picture stored on the camera into a folder under the
// camera's own file names (made safe: none leads out of the folder), gives
// each file the time the picture was taken, asks what to do with a file
// that exists already (with "apply to all"), and can erase each picture
// from the camera once its file is written whole.
//
// Each camera step (count, name, transfer, erase) is a job on the camera
// window's worker; the dialog goes on when the job's outcome arrives, so it
// stays responsive all the while. The window takes no pictures during a
// run. OK starts a run ("Stop" while it runs); Stop, Cancel, Escape and the
// close box during a run stop it after the current picture and tell how
// many pictures were copied; a run that copied everything ends the dialog
// with OK. A failed transfer, a file that cannot be written or a failed
// erase is reported (with the file's name) and ends the run; the picture
// then stays on the camera.
//
// User-interface thread only.
#pragma once

#include "app/cameras/dialogs/DownloadPicturesSource.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class ICameraWindow;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tarsel::dialogs {

class CCameraDialogJobs;

class CDownloadAllPicturesDlg : public QDialog {
public:
  static constexpr int IDD = 139;
  static constexpr int IDC_FOLDER_LABEL = 1038;
  static constexpr int IDC_FOLDER = 1039;
  static constexpr int IDC_BROWSE = 1040;
  static constexpr int IDC_DELETE = 1041;
  static constexpr int IDC_STATUS = 1042;
  static constexpr int IDC_PROGRESS = 1043;

  CDownloadAllPicturesDlg(std::shared_ptr<IDownloadPicturesSource> source, ICameraWindow* window,
                          QWidget* parent);
  ~CDownloadAllPicturesDlg() override;

  bool IsRunning() const { return m_running; }
  // Pictures written by the last run.
  int CopiedCount() const { return m_copied; }

  void accept() override;
  void reject() override;

private:
  enum class Choice { Overwrite, Skip, SaveAs };

  void OnOpened(HRESULT code, std::int32_t count);
  void Start();
  void RequestStop();
  void OnCounted(HRESULT code, std::int32_t count);
  void NextPicture();
  void OnDescribed(HRESULT code, const StoredPicture& picture);
  void Download(const std::string& path, bool isProtected);
  void OnDownloaded(HRESULT code, IPictureFromCamera* picture, const std::string& path, bool isProtected);
  void OnErased(HRESULT code, const std::string& path);
  // The picture is done: `erased` keeps the number, as the camera renumbers.
  void Advance(bool erased);
  void Finish(bool complete, HRESULT error = 0, const std::string& path = {});
  bool AskSaveAs(const std::string& name, std::string* path);
  void Browse();
  void EnableControls(bool enable);
  bool Queue(std::function<void()> work, std::function<void(HRESULT)> done);

  std::shared_ptr<IDownloadPicturesSource> m_source;
  ICameraWindow* m_window;
  CCameraDialogJobs* m_jobs;

  // The run.
  bool m_running = false;
  bool m_stopRequested = false;
  std::string m_folder;
  std::int32_t m_count = 0;
  std::int32_t m_number = 1;
  std::int32_t m_handled = 0;
  int m_copied = 0;
  bool m_applyToAll = false;
  Choice m_lastChoice = Choice::Overwrite;
  // The answer about protected pictures: -1 not asked yet, 1 yes, 0 no.
  int m_unprotectAnswer = -1;

  QLabel* m_folderLabel = nullptr;
  QLineEdit* m_folderEdit = nullptr;
  QPushButton* m_browse = nullptr;
  QCheckBox* m_delete = nullptr;
  QLabel* m_status = nullptr;
  QProgressBar* m_progress = nullptr;
  QPushButton* m_ok = nullptr;
};

} // namespace tarsel::dialogs
