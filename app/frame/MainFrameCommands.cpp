// The main frame's menus, toolbar and command routing.
#include "app/frame/MainFrame.h"

#include "app/frame/ChildView.h"
#include "app/frame/CommandIcons.h"
#include "app/frame/CommandIds.h"
#include "app/frame/DiagnosticsReport.h"
#include "app/frame/MainFrameHelpers.h"
#include "app/frame/PropertySheetMy.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/HtmlHelp.h"
#include "platform/Win32Error.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <algorithm>
#include <vector>

namespace {
constexpr const char* kManualTopic = "01_introduction.htm";
} // namespace

namespace cmd = tarsel::frame::cmd;
using namespace tarsel::frame::detail;

// ---------------------------------------------------------------------------
// Menus, toolbar and command routing

QAction* CMainFrame::AddCommand(QMenu* menu, UINT id, const QString& text, const QKeySequence& shortcut,
                                bool checkable) {
  auto* action = new QAction(text, this);
  action->setData(static_cast<uint>(id));
  action->setCheckable(checkable);
  if (!shortcut.isEmpty())
    action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  if (menu)
    menu->addAction(action);
  m_actions.push_back(action);
  return action;
}

void CMainFrame::CreateCommands() {
  RegisterCommands();
  QMenu* file = menuBar()->addMenu(tr("&File"));
  AddCommand(file, cmd::SelectCameraTypes, tr("Select camera types..."));
  AddCommand(file, cmd::RefreshCameras, tr("Refresh connected cameras"));
  file->addSeparator();
  AddCommand(file, cmd::FileSaveAs, tr("&Save As..."), QKeySequence(Qt::CTRL | Qt::Key_S));
  AddCommand(file, cmd::SaveSeries, tr("Save Alll Pictures in Series..."));
  AddCommand(file, cmd::SaveAll, tr("Save All"));
  file->addSeparator();
  AddCommand(file, cmd::SaveCaptureSettings, tr("Sa&ve Capture Settings..."));
  AddCommand(file, cmd::LoadCaptureSettings, tr("&Load Capture Settings..."));
  file->addSeparator();
  AddCommand(file, cmd::FileClose, tr("&Close"));
  AddCommand(file, cmd::AppExit, tr("E&xit"));

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  AddCommand(edit, cmd::EditCopy, tr("C&opy"), QKeySequence(Qt::CTRL | Qt::Key_C));
  AddCommand(edit, cmd::DeletePicture, tr("&Delete"), QKeySequence(Qt::Key_Backspace));
  AddCommand(edit, cmd::CancelSeries, tr("C&ancel Series"), QKeySequence(Qt::CTRL | Qt::Key_X));

  QMenu* view = menuBar()->addMenu(tr("&View"));
  AddCommand(view, cmd::ViewStatusBar, tr("&Status Bar"), {}, true);
  view->addSeparator();
  AddCommand(view, cmd::Zoom100, tr("Zoom Image &100%"));
  AddCommand(view, cmd::Zoom50, tr("Zoom Image &50%"));
  AddCommand(view, cmd::Zoom25, tr("Zoom Image &25%"));
  view->addSeparator();
  AddCommand(view, cmd::PreviousPicture, tr("<< Back"));
  AddCommand(view, cmd::NextPicture, tr("Forward >>"));
  view->addSeparator();
  AddCommand(view, cmd::RotateClockwise, tr("Rotate &Clockwise"), QKeySequence(Qt::CTRL | Qt::Key_E));
  AddCommand(view, cmd::RotateCounterclockwise, tr("Rotate Co&unterclockwise"),
             QKeySequence(Qt::CTRL | Qt::Key_W));

  QMenu* camera = menuBar()->addMenu(tr("&Camera"));
  AddCommand(camera, cmd::TakePicture, tr("&Take Picture"), QKeySequence(Qt::CTRL | Qt::Key_T));
  AddCommand(camera, cmd::AllCamerasTakePicture, tr("All Cameras Take Picture"));
  AddCommand(camera, cmd::TimeLapse, tr("Time Lapse Photography"));
  AddCommand(camera, cmd::CancelBracketing, tr("Cancel"), QKeySequence(Qt::Key_Escape));
  camera->addSeparator();
  AddCommand(camera, cmd::ShowPreview, tr("&Show Preview..."), {}, true);
  AddCommand(camera, cmd::CaptureProperties, tr("Capture &Properties..."), {}, true);
  AddCommand(camera, cmd::LcdOn, tr("&LCD On"), QKeySequence(Qt::CTRL | Qt::Key_L));
  AddCommand(camera, cmd::LcdOff, tr("LCD &Off"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  camera->addSeparator();
  AddCommand(camera, cmd::CameraInfo, tr("Camera I&nfo..."));
  AddCommand(camera, cmd::DetectCapabilities, tr("&Detect Camera Capabilities..."));
  AddCommand(camera, cmd::DownloadAllPictures, tr("&Download All Pictures..."));
  AddCommand(camera, cmd::AdvancedSettings, tr("&Advanced Settings..."));

  QMenu* tools = menuBar()->addMenu(tr("&Tools"));
  AddCommand(tools, cmd::Options, tr("Options"));
  AddCommand(tools, cmd::DiagnosticsReport, tr("Diagnostics Report..."));

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  AddCommand(help, cmd::DisplayManual, tr("Display Manual"), QKeySequence(Qt::Key_F1));
  AddCommand(help, cmd::AppAbout, tr("&About Tarsel..."));

  QToolBar* toolbar = addToolBar(tr("Toolbar"));
  toolbar->setObjectName("MainToolbar");
  // Icons with the text under or beside them (or none) as the desktop
  // prefers; the short text for beside or under the icon, the menu's text
  // as the tool tip.
  toolbar->setToolButtonStyle(Qt::ToolButtonFollowStyle);
  const struct {
    UINT id;
    const char* buttonText;
  } buttons[] = {{cmd::TakePicture, QT_TR_NOOP("Take Picture")},
                 {cmd::AllCamerasTakePicture, QT_TR_NOOP("All Cameras")},
                 {cmd::FileSaveAs, QT_TR_NOOP("Save As")},
                 {cmd::SaveAll, QT_TR_NOOP("Save All")},
                 {cmd::PreviousPicture, QT_TR_NOOP("Back")},
                 {cmd::NextPicture, QT_TR_NOOP("Forward")},
                 {cmd::RotateCounterclockwise, QT_TR_NOOP("Rotate Left")},
                 {cmd::RotateClockwise, QT_TR_NOOP("Rotate Right")},
                 {cmd::ShowPreview, QT_TR_NOOP("Preview")},
                 {cmd::CaptureProperties, QT_TR_NOOP("Properties")},
                 {cmd::RefreshCameras, QT_TR_NOOP("Refresh")},
                 {cmd::DisplayManual, QT_TR_NOOP("Manual")}};
  for (const auto& button : buttons) {
    QAction* action = CommandAction(button.id);
    action->setIcon(tarsel::frame::CommandIcon(button.id));
    action->setToolTip(QString(action->text()).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    action->setIconText(tr(button.buttonText));
    toolbar->addAction(action);
  }

  for (QMenu* menu : {file, edit, view, camera, tools, help})
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
  UpdateCommands();
}

QAction* CMainFrame::CommandAction(UINT id) const {
  for (QAction* action : m_actions)
    if (action->data().toUInt() == id)
      return action;
  return nullptr;
}

CCmdUI CMainFrame::CommandState(UINT id) {
  CCmdUI state;
  if (CChildFrame* active = ActiveCameraWindow()) {
    if (active->OnUpdateCommand(id, &state))
      return state;
    state = {};
  }
  if (!OnUpdateCommand(id, &state))
    state = {};
  return state;
}

void CMainFrame::UpdateCommands() {
  for (QAction* action : m_actions) {
    const CCmdUI state = CommandState(action->data().toUInt());
    action->setEnabled(state.enabled);
    if (action->isCheckable())
      action->setChecked(state.checked);
  }
}

bool CMainFrame::RunCommand(UINT id) {
  bool ran = false;
  tarsel::ui::Guard(this, [&] {
    CChildFrame* active = ActiveCameraWindow();
    CCmdUI state;
    if (active && active->OnUpdateCommand(id, &state)) {
      ran = state.enabled && active->OnCommand(id);
    } else {
      state = {};
      ran = OnUpdateCommand(id, &state) && state.enabled && OnCommand(id);
    }
  });
  UpdateCommands();
  return ran;
}

void CMainFrame::RegisterCommands() {
  const auto always = [] { return true; };
  m_commands.Add(cmd::SelectCameraTypes, always, [this] {
    ClosePreview();
    if (SelectCameraTypes() == tarsel::ui::IDOK) {
      RefreshCameras();
      OfferCapabilityDetection();
    }
  });
  m_commands.Add(cmd::RefreshCameras, always, [this] {
    m_arrivalTimer.stop();
    ClosePreview();
    update();
    RefreshCameras();
    OfferCapabilityDetection();
  });
  m_commands.Add(cmd::DisplayManual, always, [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(Hwnd(), kManualTopic);
  });
  m_commands.Add(cmd::AppExit, always, [this] { close(); });
  m_commands.Add(
      cmd::AppAbout, [this] { return static_cast<bool>(m_options.about); },
      [this] {
        if (m_options.about)
          m_options.about();
      });
  // Its work is the active camera window's; the frame answers the enable test alone.
  m_commands.Add(
      cmd::CaptureProperties, [this] { return ActiveCameraWindow() != nullptr; }, [] {});
  m_commands.Add(
      cmd::SaveAll,
      [this] {
        const auto windows = CameraWindows();
        return HasSavers() && std::any_of(windows.begin(), windows.end(),
                                          [](CChildFrame* w) { return w->HasUnsavedPictures(); });
      },
      [this] { SaveUnsaved(); });
  const auto anyConnected = [this] {
    const auto windows = CameraWindows();
    return std::any_of(windows.begin(), windows.end(), [](CChildFrame* w) { return w->IsCameraConnected(); });
  };
  m_commands.Add(cmd::AllCamerasTakePicture, anyConnected, [this] { TakePictureAllCameras(-1, false); });
  m_commands.Add(cmd::DiagnosticsReport, always, [this] { WriteDiagnosticsReport(); });
  m_commands.Add(cmd::Options, always, [this] { RunOptionsDialog(); });
  m_commands.Add(cmd::TimeLapse, anyConnected, [this] { RunTimeLapse(); });
}

int CMainFrame::RunTimeLapse() {
  CAutoTakePicturesDlg dialog(this, *this, m_options.timeLapse);
  return dialog.exec();
}

void CMainFrame::RegisterTimeLapseDialog(QObject* dialog) {
  m_timeLapseDialogs.emplace_back(dialog);
}

void CMainFrame::UnregisterTimeLapseDialog(QObject* dialog) {
  std::erase_if(m_timeLapseDialogs,
                [dialog](const QPointer<QObject>& open) { return !open || open.data() == dialog; });
}

void CMainFrame::RunOptionsDialog() {
  const DWORD before = CChildView::BackgroundColor();
  tarsel::frame::RunOptions(this, m_settings, m_options.savers);
  if (const auto user = tarsel::settings::OpenUserSettings(m_settings, true))
    CChildView::SetBackgroundColor(user->GetBackgroundColor());
  if (CChildView::BackgroundColor() == before)
    return;
  for (CChildFrame* window : CameraWindows())
    if (CChildView* view = window->View())
      view->viewport()->update();
}

void CMainFrame::WriteDiagnosticsReport() {
  const QString path = m_options.chooseDiagnosticsFile ? m_options.chooseDiagnosticsFile()
                                                       : tarsel::frame::ChooseDiagnosticsFile(this);
  if (path.isEmpty())
    return;
  std::vector<IBaseSDK_Wr*> families(m_options.families.size());
  int count = static_cast<int>(families.size());
  if (!GetSdkList(families.data(), &count))
    count = 0;
  tarsel::frame::ProgramDiagnosticsReport().Write(QFile::encodeName(path).toStdString(), families.data(),
                                                  count);
}

bool CMainFrame::OnUpdateCommand(UINT id, CCmdUI* state) {
  return m_commands.Update(id, state);
}

bool CMainFrame::OnCommand(UINT id) {
  const tarsel::frame::CommandTable::Command* command = m_commands.Find(id);
  if (!command)
    return false;
  tarsel::ui::Guard(this, command->run);
  return true;
}

void CMainFrame::PostFrameCommand(UINT id) {
  QCoreApplication::postEvent(this, new tarsel::frame::CommandEvent(id));
}
