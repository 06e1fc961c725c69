"""quenlow-check KIT_FOLDER [options]: the kit check as a command. The
options, the output and the exit codes are those of check.main."""

from __future__ import annotations

import sys


def run(argv: list[str] | None = None) -> int:
    """The check, or one line and exit 2 where the Python that runs it lacks
    pefile: a kit's build log shows the line, not a traceback."""
    try:
        from .check import main
    except ModuleNotFoundError as error:
        if error.name != "pefile":
            raise
        print("check: this Python lacks pefile: install it (pip install pefile, or"
              " Debian's python3-pefile), or run the check with a Python that has it",
              file=sys.stderr)
        return 2
    return main(argv)


if __name__ == "__main__":
    sys.exit(run())
