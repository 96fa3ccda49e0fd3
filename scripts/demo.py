"""The demo: the Windows Installer package installed under Wine, and the real ZolvanBackup.exe it
starts with the simulated enclosure: the story a user lives, told step by step, each step checked."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
from story import StepFailed, Story  # noqa: E402


def set_up():
    """Wine and a fresh prefix; a plain sentence on what failed and what to do, or None."""
    if not os.access(harness.LOADER, os.X_OK):
        return "Wine's loader %s is missing: run scripts/setup.sh, which installs wine64." % harness.LOADER
    try:
        harness.package()
    except ValueError:
        return "The program's package is not in %s: run scripts/demo.sh, which builds it." % harness.BUILD
    try:
        harness.prepare_base_prefix()
    except FileNotFoundError as e:
        return "The demo needs %s, which is missing: run scripts/setup.sh, which installs it." % e.filename
    except subprocess.CalledProcessError as e:
        return ("Wine could not make its prefix (%s ended with status %d): check that `%s --version` runs here."
                % (" ".join(e.cmd), e.returncode, harness.LOADER))
    return None


def main():
    print("Zolvan Backup Utility, installed from its Windows Installer package, with a simulated enclosure under Wine")
    problem = set_up()
    if problem:
        print("\nThe demo could not start. " + problem)
        return 1
    story = Story("demo", say=print)
    try:
        story.start()
        story.enclosure_arrives()
        story.front_port_disk_arrives()
        story.tray_menu_and_about_box()
        story.short_press()
        story.long_press()
        story.exit()
    except StepFailed:
        print("\nThe demo stopped: a step did not happen. Wine's output and the screenshots are in %s"
              % harness.ARTIFACTS)
        return 1
    except (AssertionError, OSError, subprocess.SubprocessError) as e:
        print("\nThe demo stopped: the program under Wine did not answer (%s). Wine's output is in %s"
              % (e, harness.ARTIFACTS))
        return 1
    finally:
        story.close()
    print("\nEvery step happened. The screenshots are in %s" % harness.ARTIFACTS)
    return 0


if __name__ == "__main__":
    sys.exit(main())
