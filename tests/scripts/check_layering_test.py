#!/usr/bin/env python3
"""The layering check on small made-up source trees: each case adds one file or dependency to a
clean tree and says which complaint, if any, must come out."""

import importlib.machinery
import importlib.util
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "check-layering")
loader = importlib.machinery.SourceFileLoader("check_layering", SCRIPT)
spec = importlib.util.spec_from_loader("check_layering", loader)
check_layering = importlib.util.module_from_spec(spec)
loader.exec_module(check_layering)

CLEAN = {
    "CMakeLists.txt": "set(QM_LIBRARIES foundation model app print print/wx gui/main)  # up\n",
    "foundation/CMakeLists.txt": "qm_library(foundation)\n",
    "foundation/text.h": "#include <string>\n",
    "model/CMakeLists.txt": "# model: never wx\nqm_library(model DEPENDS foundation)\n",
    "model/event.h": '#include "foundation/text.h"\n',
    "app/CMakeLists.txt": "qm_library(app DEPENDS model)\n",
    "app/controller.cpp": '#include "foundation/text.h"\n#include "model/event.h"\n',
    "print/CMakeLists.txt": "qm_library(print DEPENDS app)\n",
    "print/page.cpp": '#include "app/controller.h"\n',
    "print/wx/CMakeLists.txt": "qm_library(print_wx DEPENDS print)\n",
    "print/wx/printer.cpp": '#include <wx/print.h>\n#include "print/page.h"\n',
    "gui/main/CMakeLists.txt": "qm_library(gui_main DEPENDS print_wx)\n",
    "gui/main/frame.cpp": '#include <wx/frame.h>\n#include "print/wx/printer.h"\n',
    "tests/app/flow_test.cpp": '#include "support/temp.h"\n#include "model/event.h"\n',
    "tests/model/event_test.cpp": '#include "model/event.h"\n#include "foundation/text.h"\n',
}


class CheckLayering(unittest.TestCase):
    def run_on(self, changes):
        with tempfile.TemporaryDirectory() as root:
            for name, text in {**CLEAN, **changes}.items():
                path = os.path.join(root, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w") as f:
                    f.write(text)
            return check_layering.check(root)

    def test_each_fault_is_named_and_a_clean_tree_passes(self):
        cases = [
            ("clean tree", {}, None),
            ("include from above", {"model/bad.cpp": '#include "app/controller.h"\n'},
             "model/bad.cpp:1: a file of 'model' may not include 'app/controller.h' "
             "('app' is above it)"),
            ("include of a sibling not depended on",
             {"app/CMakeLists.txt": "qm_library(app DEPENDS foundation)\n"},
             "app/controller.cpp:2: a file of 'app' may not include 'model/event.h' "
             "('model' is not among its dependencies)"),
            ("wx in a library's core", {"print/page.h": "#include <wx/dc.h>\n"},
             "print/page.h:1: 'print' is free of wxWidgets but includes 'wx/dc.h'"),
            ("core reaching its own wx part", {"print/page.h": '#include "print/wx/printer.h"\n'},
             "print/page.h:1: a file of 'print' may not include 'print/wx/printer.h' "
             "('print/wx' is above it)"),
            ("wx part left out of the list",
             {"CMakeLists.txt": "set(QM_LIBRARIES foundation model app print gui/main)\n",
              "gui/main/CMakeLists.txt": "qm_library(gui_main DEPENDS print)\n",
              "gui/main/frame.cpp": '#include <wx/frame.h>\n'},
             "CMakeLists.txt: 'print/wx' is a library but not in QM_LIBRARIES"),
            ("dependency pointing up", {"model/CMakeLists.txt": "qm_library(model DEPENDS foundation app)\n"},
             "model/CMakeLists.txt: 'model' may not depend on 'app', which is not below it"),
            ("wrongly named library", {"app/CMakeLists.txt": "qm_library(core DEPENDS model)\n"},
             "app/CMakeLists.txt: the library of 'app' must be named 'app', not 'core'"),
            ("test reaching above its library",
             {"tests/model/event_test.cpp": '#include "app/controller.h"\n'},
             "tests/model/event_test.cpp:1: a test of 'model' may not include "
             "'app/controller.h' ('app' is above it)"),
            ("wx in a test of a wx-free library",
             {"tests/model/event_test.cpp": "#include <wx/string.h>\n"},
             "tests/model/event_test.cpp:1: 'model' is free of wxWidgets but includes "
             "'wx/string.h'"),
        ]
        for name, changes, expected in cases:
            with self.subTest(name):
                problems = self.run_on(changes)
                self.assertEqual(problems, [] if expected is None else [expected])

    def test_the_project_itself_passes(self):
        self.assertEqual(check_layering.check(os.path.join(HERE, "..", "..")), [])


if __name__ == "__main__":
    sys.exit(unittest.main())
