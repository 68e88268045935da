#!/usr/bin/env python3
"""Each target sees its own layer and the layers below, nothing else.

For each case, a one-line source that includes a header is compiled with the
flags of a real source of a layer (from compile_commands.json): an include of
a layer below must compile, one that runs against the layers must fail with
"No such file". The allowed cases prove that a refusal is the layer's doing,
not a broken command.

usage: layers_test.py BUILD_DIR SOURCE_DIR
"""
import concurrent.futures
import json
import os
import shlex
import subprocess
import sys
import tempfile

# (a source of the layer, the header it includes, whether it may)
CASES = [
    ("engine/arena.cpp", "engine/path_separator.h", True),
    ("engine/arena.cpp", "report/ordering.h", False),
    ("engine/arena.cpp", "job/status_line.h", False),
    ("engine/arena.cpp", "tests/test_support.h", False),
    ("report/ordering.cpp", "engine/records.h", True),
    ("report/ordering.cpp", "job/extract_job.h", False),
    ("report/ordering.cpp", "cli/batch.h", False),
    ("job/run_batch.cpp", "report/report_file.h", True),
    ("job/run_batch.cpp", "cli/batch.h", False),
    ("job/run_batch.cpp", "gui/quorvel_dlg.h", False),
    ("job/run_batch.cpp", "platform/afx/afx.h", False),
    ("cli/batch.cpp", "job/folder_walk.h", True),
    ("cli/batch.cpp", "gui/quorvel_dlg.h", False),
    ("cli/batch.cpp", "platform/afx/afx.h", False),
    ("gui/quorvel_dlg.cpp", "job/run_batch.h", True),
    ("gui/quorvel_dlg.cpp", "platform/afx/afx.h", True),
    ("gui/quorvel_dlg.cpp", "cli/batch.h", False),
    ("gui/quorvel_dlg.cpp", "platform/emulated/window.h", False),
    ("gui/quorvel_dlg.cpp", "platform/headless/headless.h", False),
    ("gui/quorvel_dlg.cpp", "platform/path_syntax.h", False),
    ("platform/afx/afx.cpp", "platform/path_syntax.h", True),
    ("platform/afx/afx.cpp", "engine/file_ops.h", False),
    ("platform/afx/afx.cpp", "job/status_line.h", False),
    ("platform/afx/afx.cpp", "gui/quorvel_dlg.h", False),
    ("platform/headless/headless_backend.cpp", "platform/emulated/input.h", True),
    ("platform/headless/headless_backend.cpp", "gui/quorvel_dlg.h", False),
    ("tools/tavgen/tav_builder.cpp", "engine/records.h", False),
]


def compile_flags(build_dir, source_dir):
    with open(os.path.join(build_dir, "compile_commands.json")) as f:
        entries = json.load(f)
    flags = {}
    for entry in entries:
        words = shlex.split(entry["command"])
        kept, skip = [], False
        for word in words:
            if skip:
                skip = False
            elif word in ("-o", "-c", "-MF", "-MT"):
                skip = True
            elif word != "-MD":
                kept.append(word)
        flags[os.path.relpath(entry["file"], source_dir)] = (entry["directory"], kept)
    return flags


def check(flags, temp, index, case):
    """One case's verdict: a line, and whether it failed."""
    source, header, allowed = case
    if source not in flags:
        return f"FAIL {source}: not in this build's compile commands", True
    probe = os.path.join(temp, f"probe{index}.cpp")
    with open(probe, "w") as f:
        f.write(f'#include "{header}"\n')
    directory, command = flags[source]
    run = subprocess.run(command + ["-fsyntax-only", probe], cwd=directory,
                         capture_output=True, text=True)
    if allowed and run.returncode != 0:
        return f"FAIL {source} may include {header}, but:\n{run.stderr}", True
    if not allowed and not (run.returncode != 0 and "No such file" in run.stderr):
        return f"FAIL {source} must not see {header}: {run.stderr or 'it compiled'}", True
    return f"ok   {source} {'sees' if allowed else 'cannot see'} {header}", False


def main():
    build_dir, source_dir = sys.argv[1], sys.argv[2]
    flags = compile_flags(build_dir, source_dir)
    with tempfile.TemporaryDirectory() as temp:
        with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 1) as pool:
            results = list(pool.map(lambda item: check(flags, temp, *item), enumerate(CASES)))
    for line, _ in results:
        print(line)
    return 1 if any(failed for _, failed in results) else 0


if __name__ == "__main__":
    sys.exit(main())
