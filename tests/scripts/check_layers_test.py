#!/usr/bin/env python3
"""The layer check on small trees of its own: two units of one folder that use each other through
their source files are a cycle, though no file includes a file that includes it back."""
import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check_layers.py")
FOLDERS = ["framework", "settings", "actions", "switching", "update", "ui", "app"]


def run_on(files):
    with tempfile.TemporaryDirectory() as root:
        for folder in FOLDERS:
            os.makedirs(os.path.join(root, folder))
            open(os.path.join(root, folder, "CMakeLists.txt"), "w").close()
        for name, text in files.items():
            with open(os.path.join(root, name), "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return done.returncode, done.stdout


def main():
    pair = {"settings/Table.h": "", "settings/Password.h": "",
            "settings/Password.cpp": '#include "settings/Password.h"\n'}
    code, out = run_on(dict(pair, **{"settings/Table.cpp": '#include "settings/Table.h"\n#include "settings/Password.h"\n'}))
    assert code == 0, out
    code, out = run_on(dict(pair, **{"settings/Table.cpp": '#include "settings/Password.h"\n',
                                     "settings/Password.cpp": '#include "settings/Table.h"\n'}))
    assert code == 1 and "unit cycle: settings/Password -> settings/Table" in out, out
    print("layer check finds unit cycles")


if __name__ == "__main__":
    main()
