#include "app/cameras/canon/CanonCDSdkPageSelCameras.h"

#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int IDC_CAMERA_LIST = 2104;
constexpr int IDC_USE_NEXT_TIME = 2105;

} // namespace

CCanonCD_SdkPageSelCameras::CCanonCD_SdkPageSelCameras(CanonCDSDK_Wr* sdk, QWidget* parent)
    : QWidget(parent), m_sdk(sdk) {
  using tarsel::ui::NamedControl;
  setWindowTitle(QStringLiteral("Canon CD SDK"));
  auto* list = NamedControl(new QComboBox(this), IDC_CAMERA_LIST);
  auto* use =
      NamedControl(new QCheckBox(QStringLiteral("&Connect to this camera next time you run Tarsel"), this),
                   IDC_USE_NEXT_TIME);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      tarsel::ui::WrappedLabel(QStringLiteral("Canon CD SDK can control only one camera at a time."), this));
  layout->addWidget(tarsel::ui::BuddyLabel(QStringLiteral("&Select Canon SD camera to use:"), list));
  layout->addWidget(list);
  layout->addWidget(use);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("Even if multiple Canon CD cameras connected to the computer, only the selected one "
                     "will be used by Tarsel."),
      this));
  layout->addStretch(1);

  m_choice = std::make_unique<CCanonCameraChoice>(list, use);
  tarsel::ui::Guard(this, [&] {
    bool stored = false;
    const CanonCameraList cameras = m_sdk ? m_sdk->GetCameraNameList(nullptr, &stored) : CanonCameraList{};
    const bool any = m_choice->Fill(cameras, m_sdk ? CCanonCameraChoice::StoredChoiceName(*m_sdk) : "",
                                    !cameras.cameras.empty() && stored);
    use->setEnabled(any);
  });
  connect(list, qOverload<int>(&QComboBox::activated), this, [this] { OnChanged(); });
  connect(use, &QCheckBox::clicked, this, [this] { OnChanged(); });
}

CCanonCD_SdkPageSelCameras::~CCanonCD_SdkPageSelCameras() = default;

void CCanonCD_SdkPageSelCameras::OnChanged() {
  m_modified = true;
  emit changed();
}

bool CCanonCD_SdkPageSelCameras::Apply() {
  return tarsel::ui::Guard(this, [this] {
    if (!m_sdk || !m_modified)
      return;
    m_choice->Save(*m_sdk);
    m_modified = false;
  });
}
