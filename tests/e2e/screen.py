"""A private X display (Xvfb) on which a message box can be seen, read,
photographed and dismissed with a key, as a person would."""

import os
import subprocess
import time
from pathlib import Path


class Xvfb:
    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"], pass_fds=(write_end,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as displayfd:
            number = displayfd.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=30)

    def xdotool(self, *args: str) -> str:
        done = subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": self.display},
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)
        return done.stdout.decode("utf-8", errors="replace")

    def find_window(self, title: str, timeout: float = 20) -> str | None:
        """The X window id of the visible window with this title."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for window in self.xdotool("search", "--onlyvisible", "--name", ".").split():
                if self.xdotool("getwindowname", window).strip() == title:
                    return window
            time.sleep(0.2)
        return None

    def screenshot(self, path: Path) -> tuple[int, int, int, int] | None:
        """Saves the screen; returns the box around everything that is not
        the black background (None: nothing shows)."""
        from PIL import ImageGrab  # Debian's python3-pil, with XCB

        image = ImageGrab.grab(xdisplay=self.display)
        path.parent.mkdir(parents=True, exist_ok=True)
        image.save(path)
        return image.getbbox()

    def press_key(self, window: str, key: str) -> None:
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--clearmodifiers", key)
