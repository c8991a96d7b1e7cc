#!/usr/bin/env python3
"""The workflows of the project's public home parse as YAML, each job runs on a
hosted runner with steps that run or use something, and a job that installs
MSYS2 packages brings MSYS2's package database up to date first (a runner's
image carries an old one); a step that builds with the presets under MSYS2
tells the toolchain files where the set-up action put it (msys2-location), so
each architecture finds its own resource compiler; no step names the version
by hand (it is in VERSION); prints each job's commands, so that those of Linux
jobs can be run here.

Usage: check_workflows.py WORKFLOW.yml...
"""
import re
import sys

from yaml_reader import yaml

said = []
for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as text:
        workflow = yaml.safe_load(text)
    triggers = workflow.get(True, workflow.get("on"))  # YAML 1.1 reads the key on as true
    if not triggers or not workflow.get("jobs"):
        said.append(f"{path}: no trigger (on) or no jobs")
    for name, job in (workflow.get("jobs") or {}).items():
        steps = job.get("steps") or []
        if not job.get("runs-on") or not steps or any(not ("run" in s or "uses" in s) for s in steps):
            said.append(f"{path} {name}: expected runs-on and steps that each run or use something")
        updated = False
        for step in steps:
            if str(step.get("uses", "")).startswith("msys2/setup-msys2") and (step.get("with") or {}).get("update"):
                updated = True
            installs = "pacman -S" in step.get("run", "") and not any(f in step["run"] for f in ("-Sy", "-Syu"))
            if installs and not updated:
                said.append(f"{path} {name}: pacman installs from a package database nobody updated")
            told = "msys2-location" in step.get("run", "") + " ".join(map(str, (step.get("env") or {}).values()))
            builds_windows = re.search(r'--preset ("\$preset"|win32|win64)', step.get("run", ""))
            if updated and builds_windows and not told:
                said.append(f"{path} {name}: builds under MSYS2 without telling the toolchain where it is "
                            "(msys2-location): the 32-bit preset would find the 64-bit windres")
            if re.search(r"vrlCalendar-\d+\.\d+", step.get("run", "")):
                said.append(f"{path} {name}: names the version by hand; take it from VERSION")
            if "run" in step:
                print(f"{path} {name} ({job.get('runs-on')}): {' '.join(step['run'].split())}")
print("\n".join(said) if said else f"{len(sys.argv) - 1} workflows parse, every job has runner and steps")
sys.exit(1 if said else 0)
