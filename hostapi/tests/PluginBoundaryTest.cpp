#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/Module.h"

#include <gtest/gtest.h>

// The plug-in is linked with --no-undefined against the header-only target,
// so it cannot use a symbol of the program; loaded as the program loads its
// plug-ins, it must drive the host's own objects through their tables.
TEST(PluginBoundary, APluginBuiltOnTheHostInterfacesAloneDrivesTheHostsObjects) {
  tarsel::platform::Module plugin;
  ASSERT_TRUE(plugin.load(TARSEL_PROBE_PLUGIN)) << plugin.errorText();
  const auto save = plugin.function<LONG (*)(IPictureFromCamera*, ITarselSettings*)>("ProbeSave");
  ASSERT_NE(save, nullptr);

  CRefPtr<ITarselSettings> settings(new CTarselSettings());
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera());
  ASSERT_EQ(save(picture.get(), settings.get()), 0);
  EXPECT_STREQ(picture->GetFileName(), "probe.jpg");
  ISaverSettings* own = nullptr;
  ASSERT_EQ(settings->GetSaverSettings("Probe", &own, true), 0);
  CRefPtr<ISaverSettings> key;
  key.Attach(own);
  EXPECT_EQ(key->GetDWord("Saved", 0), 1u);
  // The plug-in gave back every reference it took.
  EXPECT_EQ(picture->AddRef(), 2);
  EXPECT_EQ(picture->Release(), 1);
}
