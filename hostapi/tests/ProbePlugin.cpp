// A plug-in in the least form: built against the host interfaces alone, it
// names its picture and writes one value under its own settings key, as a
// saver does at the end of a save.
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

extern "C" __attribute__((visibility("default"))) LONG ProbeSave(IPictureFromCamera* picture,
                                                                 ITarselSettings* settings) {
  try {
    const CRefPtr<IPictureFromCamera> held(picture);
    picture->SetFileName("probe.jpg");
    ISaverSettings* own = nullptr;
    if (const LONG opened = settings->GetSaverSettings("Probe", &own, false))
      return opened;
    CRefPtr<ISaverSettings> key;
    key.Attach(own);
    return key->SetDWord("Saved", picture->GetDataSize() + 1);
  } catch (...) {
    return static_cast<LONG>(0x8000FFFFu);
  }
}
