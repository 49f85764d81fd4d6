"""The layering check against sources given as text: the crossings it must
refuse and the ones the table allows."""
import importlib.util
import os
import unittest

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
spec = importlib.util.spec_from_file_location("check_includes", os.path.join(TOOLS, "check-includes.py"))
check_includes = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check_includes)


def problems(sources):
    """Layering problems of {path: text}."""
    return check_includes.problems_in(list(sources), lambda path: sources[path].splitlines())


class CheckIncludes(unittest.TestCase):
    def test_refuses_crossings_the_links_do_not_allow(self):
        refused = {
            # A product library reaching into a simulator.
            "vesklib/NewPart.cpp": '#include "sim/vesk/VeskSimEngine.h"',
            # The settings store reaching up into the camera abstraction.
            "app/settings/NewPart.cpp": '#include "app/core/ConnectedCameras.h"',
            # ... also through the export header of a library it does not link.
            "app/settings/Other.cpp": '#include "TarselCore_export.h"',
            # A simulator reading more of its library than the wire format.
            "sim/vesk/NewPart.cpp": '#include "vesklib/CameraProtocol.h"',
            # A family using the frame.
            "app/cameras/vesk/NewPart.cpp": '#include "app/frame/MainFrame.h"',
            # Tests sharing another module's test code.
            "app/ui/tests/NewTest.cpp": '#include "app/host/tests/HostTestSupport.h"',
            # A folder the table does not know.
            "newmodule/Part.cpp": "",
        }
        found = problems(refused)
        self.assertEqual(len(found), len(refused), "\n".join(found))
        for path in refused:
            self.assertTrue(any(p.startswith(path) for p in found), path)

    def test_allows_what_the_links_allow(self):
        allowed = {
            "vesklib/tests/NewTest.cpp": '#include "sim/vesk/VeskSimEngine.h"\n#include "platform/testsupport/TestSupport.h"',
            "sim/vesk/NewPart.cpp": '#include "vesklib/VeskWire.h"',
            "app/settings/NewPart.h": '#include "app/core/RefPtr.h"\n#include "platform/reg/Registry.h"',
            # Uses are transitive: the frame uses the host, which uses the pictures.
            "app/frame/NewPart.cpp": '#include "app/pictures/TiffBuffer.h"\n#include "TarselUi_export.h"',
            "app/main/tests/NewTest.cpp": '#  include "app/ui/ButtonTP.h"\n#include <gtest/gtest.h>',
        }
        self.assertEqual(problems(allowed), [])


if __name__ == "__main__":
    unittest.main()
