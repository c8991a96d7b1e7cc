#!/usr/bin/env python3
"""The workflows of the project's public home parse as YAML, each job runs on a
hosted runner with steps that run or use something, and a job that installs
MSYS2 packages brings MSYS2's package database up to date first (a runner's
image carries an old one); prints each job's commands, so that those of Linux
jobs can be run here.

Usage: check_workflows.py WORKFLOW.yml...
"""
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
            if "run" in step:
                print(f"{path} {name} ({job.get('runs-on')}): {' '.join(step['run'].split())}")
print("\n".join(said) if said else f"{len(sys.argv) - 1} workflows parse, every job has runner and steps")
sys.exit(1 if said else 0)
