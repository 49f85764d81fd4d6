#include "savers/ftp/FtpSaver.h"

#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaveInfo.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Win32Error.h"
#include "savers/common/SaverNaming.h"
#include "savers/common/UiThread.h"
#include "savers/ftp/FtpMessages.h"
#include "savers/ftp/FtpOptionsDlg.h"
#include "savers/ftp/FtpSaverTexts.h"
#include "savers/ftp/FtpSession.h"
#include "savers/ftp/FtpSettings.h"
#include "savers/ftp/SaveBunchDlg.h"
#include "savers/ftp/SaveDlg.h"
#include "savers/ftp/SecretBuffer.h"
#include "savers/ftp/SharedSession.h"

#include <QApplication>
#include <QMessageBox>

#include <atomic>

namespace tarsel::ftpsaver {

using namespace tarsel::savers;

namespace {

// The program's code for a save that lacks its parameters.
constexpr HRESULT kHostParametersMissing = static_cast<HRESULT>(0x81020003u);
constexpr HRESULT kLoginRefused = ftp::ReplyCode(530);
constexpr HRESULT kServiceUnavailable = ftp::ReplyCode(421);

// 421 answers in a row since the last save that went through.
std::atomic<int> serviceUnavailableInRow{0};

// Logs the session in to the configured server as the configured user,
// reusing a connection that is already there.
void EnsureLoggedIn(CFtpSession& session, const CFtpSettings& settings) {
  const std::string& server = settings.GetServer();
  if (server.empty())
    ThrowError(ftp::kParametersMissing);
  CFtpServerSettings serverKey = settings.OpenServerKey(server);
  const std::string user = serverKey.GetUserName();
  SecretBuffer password;
  DWORD size = SecretBuffer::kSize - 1;
  serverKey.GetPassword(password.data(), &size);
  if (user.empty() || password.empty())
    ThrowError(ftp::kParametersMissing);
  if (session.IsConnected()) {
    if (session.IsSameServerAndUser(server.c_str(), user.c_str()))
      return;
    session.Quit();
  }
  ThrowIfFailed(session.Connect(server.c_str(), user.c_str(), password.c_str()));
}

// The user's answer to the parameters dialog opened for `code`, asked on
// the user-interface thread.
bool AskForParameters(QWidget* owner, ITarselSettings* settings, HRESULT code) {
  bool accepted = false;
  RunOnUserInterfaceThread([&] {
    CFtpOptionsDlg dialog(owner, settings, code);
    accepted = dialog.exec() == QDialog::Accepted;
  });
  return accepted;
}

int AskToContinue(QWidget* owner, const _brantel_take_error& error) {
  std::string text;
  FormatStdString(text, String(IDS_CONTINUE_AFTER_ERROR), error.ErrorMessage(),
                  static_cast<unsigned>(error.Error()), error.Explanation());
  int answer = QMessageBox::Cancel;
  const bool asked = RunOnUserInterfaceThread([&] {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(String(IDS_CAPTION)),
                    QString::fromLocal8Bit(text), QMessageBox::Ok | QMessageBox::Cancel, owner);
    answer = box.exec();
  });
  if (!asked)
    return kSaverSkipPicture;
  return answer == QMessageBox::Ok ? 0 : kSaverCancelled;
}

} // namespace

std::string ComposeDirectory(const std::string& rootDir, const std::string& subFolder) {
  std::string directory = rootDir;
  if (!subFolder.empty()) {
    if (!directory.empty() && directory.back() != '/')
      directory += '/';
    directory += subFolder;
  } else if (!directory.empty() && directory.back() == '/' && directory.size() > 1) {
    directory.pop_back();
  }
  return directory;
}

void DirectSave(ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings) {
  const CFtpSettings ftpSettings(settings, true);
  // Names from a camera stay inside the target folder.
  const std::string name = DirectSaveName(info, picture);

  SharedSession shared;
  CFtpSession& session = shared.Use(true, nullptr);
  EnsureLoggedIn(session, ftpSettings);

  const std::string directory =
      ComposeDirectory(ftpSettings.OpenServerKey(ftpSettings.GetServer()).GetRootDir(), SubFolderName(info));
  if (!directory.empty())
    ThrowIfFailed(session.ChangeDir(directory.c_str()), directory.c_str());
  if (!IsNumberedDirectSave(info, picture)) {
    // The camera's own file name or a fixed one is replaced, as on a disk.
    ThrowIfFailed(session.Upload(picture.GetData(), picture.GetDataSize(), name.c_str()), name.c_str());
  } else {
    // A server file of that number stays, whichever session sent it: the
    // picture takes the next free number, and the counter follows.
    const std::uint32_t counter = info.GetCounter();
    const CFtpSession::NameCandidates names = [&](unsigned index) {
      return DirectSaveNameAfter(info, picture, counter, index);
    };
    std::string stored;
    const HRESULT result =
        session.UploadToFreeName(picture.GetData(), picture.GetDataSize(), names, kMaxNumbersTried, stored);
    if (result != 0) {
      info.SetCounter(counter);
      ThrowIfFailed(result, name.c_str());
    }
  }
  serviceUnavailableInRow = 0;
}

int InteractiveSave(ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings) {
  CSaveDlg dialog(QApplication::activeWindow(), settings, picture, ProposedName(info, picture));
  if (dialog.exec() != QDialog::Accepted)
    return kSaverCancelled;
  SetNamingFromFileName(info, dialog.Name());
  return 0;
}

int SaveSeries(QWidget* parent, ISaveInfo& info, IPictureFromCamera** pictures, std::int32_t count,
               ITarselSettings* settings) {
  CSaveBunchDlg dialog(parent, settings, info, pictures, count);
  if (dialog.exec() != QDialog::Accepted)
    return kSaverCancelled;
  SetNamingFromFileName(info, dialog.BaseForNaming());
  return 0;
}

int ProcessError(QWidget* owner, ISaveInfo& info, ITarselSettings* settings,
                 const _brantel_take_error& error) {
  const HRESULT code = error.Error();
  if (code == 0)
    return 0;
  // Missing parameters are asked for like refused ones: retrying without
  // them could only fail the same way again.
  if (code == kHostParametersMissing || code == kLoginRefused || code == ftp::kParametersMissing) {
    if (!info.GetUiAllowed()) {
      // Without a user to ask, a save that lacks its parameters is skipped as
      // any other failure; a refused login stops the queue.
      return code == ftp::kParametersMissing ? kSaverSkipPicture : kSaverCancelled;
    }
    if (!AskForParameters(owner, settings, code))
      return kSaverCancelled;
    SharedSession shared;
    if (CFtpSession* session = shared.Existing()) {
      session->SetNotify(true, nullptr);
      session->Quit();
    }
    return 0;
  }
  if (code == kServiceUnavailable && ++serviceUnavailableInRow <= kMaxServiceUnavailableRetries) {
    SharedSession shared;
    if (CFtpSession* session = shared.Existing()) {
      session->SetNotify(true, nullptr);
      session->Quit();
    }
    return 0;
  }
  serviceUnavailableInRow = 0;
  if (!info.GetUiAllowed())
    return kSaverSkipPicture;
  return AskToContinue(owner, error);
}

std::string LocationText(ITarselSettings* settings) {
  const CFtpSettings ftpSettings(settings, true);
  const std::string& server = ftpSettings.GetServer();
  if (server.empty())
    return {};
  const std::string rootDir = ftpSettings.OpenServerKey(server).GetRootDir();
  std::string location;
  FormatStdString(location, "ftp://%s%s%s", server.c_str(), rootDir.starts_with('/') ? "" : "/",
                  rootDir.c_str());
  return location;
}

} // namespace tarsel::ftpsaver
