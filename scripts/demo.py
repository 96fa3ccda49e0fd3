"""The demo: the real ZolvanBackup.exe under Wine with the simulated enclosure, the story a user
lives told step by step, each step checked."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
from story import StepFailed, Story  # noqa: E402


def main():
    print("Zolvan Backup Utility, with a simulated enclosure under Wine")
    harness.prepare_base_prefix()
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
    finally:
        story.close()
    print("\nEvery step happened. The screenshots are in %s" % harness.ARTIFACTS)
    return 0


if __name__ == "__main__":
    sys.exit(main())
