"""The whole road as one story on one running process: start-up, discovery, a short press with
its copy and balloon, a long press with its removal, a device arrival that restarts the poll, a
second short press that copies again, Exit."""
import os
import unittest

from story import Story


class StoryTest(unittest.TestCase):
    def test_the_whole_road(self):
        story = Story(self.id().split(".")[-1])
        self.addCleanup(story.close)
        story.start()
        story.enclosure_arrives()
        story.front_port_disk_arrives()
        story.short_press()
        story.long_press()
        story.device_arrival()
        with open(os.path.join(story.front, "Documents", "letter.txt"), "ab") as f:
            f.write(b"P.S. The videos are safe too.\r\n")
        story.short_press()
        story.exit()


if __name__ == "__main__":
    unittest.main()
