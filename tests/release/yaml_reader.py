"""PyYAML, for the checks that read YAML: Debian's python3-yaml serves Debian's
python3, so a check started by another Python runs again under that one."""
import os
import sys

try:
    import yaml  # noqa: F401
except ImportError:
    if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3") and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    sys.exit(f"{os.path.basename(sys.argv[0])}: PyYAML is missing "
             "(apt-get install python3-yaml, or scripts/deps.sh release)")
