"""The demo: the real ZolvanBackup.exe under Wine with the simulated enclosure, told step by step."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

ENCLOSURE = """\
# A two-bay enclosure: disk E behind the JM20336 bridge, disk G in the front port.
drive E
  bridge 1
  usbid USB\\VID_0E9C&PID_00A3\\JM20336_0001
  marker j336
  chip %s
  hub USB\\VID_05E3&PID_0610\\5&2A1B3C4D&0&1
  port 1
drive G
  hub USB\\VID_05E3&PID_0610\\5&2A1B3C4D&0&1
  port 2
""" % harness.RECOGNISED_CHIP


def show(app, step):
    print("  status line : %r" % app.text(harness.IDC_STATUS).decode("latin-1"))
    print("  log view    : %r" % app.text(harness.IDC_LOG).decode("latin-1"))
    print("  window      : %s" % ("shown" if app.visible() else "hidden (the program lives in the tray)"))
    print("  screenshot  : %s" % app.screenshot(step))


def run(title, step, **kwargs):
    print("\n== " + title)
    app = harness.App("demo-" + step, **kwargs)
    try:
        app.start()
        app.wait_until(lambda: not app.visible(), what="the main window to hide")
        show(app, "start")
        return app
    except Exception:
        app.stop()
        raise


def main():
    harness.prepare_base_prefix()
    run("Started without the enclosure maker's JMUsbDll.dll beside it", "no-library", library=None).stop()
    run("A JMUsbDll.dll that lacks the hub entry points", "lacking-hub-group", library="lacking-group-2").stop()
    app = run("The simulated enclosure: bridge disk E, front-port disk G", "enclosure", enclosure=ENCLOSURE)
    try:
        print("\n== A USB device arrives; the program looks at the enclosure again")
        app.device_change(harness.DBT_DEVICEARRIVAL)
        print("  still running: %s" % app.alive())
        show(app, "after-arrival")
    finally:
        app.stop()
    print("\nScreenshots are in %s" % harness.ARTIFACTS)


if __name__ == "__main__":
    main()
