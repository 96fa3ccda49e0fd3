"""The program works with the maker's library whichever side cleans up the arguments of its
entry points: the simulated library built both ways, under the real program."""
import unittest

from harness import (DBT_DEVICEARRIVAL, HUB, IDC_LOG, IDC_STATUS, USB_ID, AppTestCase, bridge_disk,
                     front_port_disk)

LOG = ("\r\nDevice 1 : << E >>     %s \r\n" % USB_ID
       + "\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: 1.0.2507 \r\n"
       + "\r\nVID = 0E9C  , PID = 00A3\r\n\n"
       + "\r\n0th Drive: %s Port:1  << E >> \r\n" % HUB
       + "\r\n1th Drive: %s Port:2  << G >> \r\n" % HUB).encode()


class ConventionTest(AppTestCase):
    def check(self, library):
        app = self.launch(library=library, enclosure=bridge_disk("E") + front_port_disk("G"))
        self.assertEqual(app.text(IDC_STATUS), b"Device found!")
        self.assertEqual(app.text(IDC_LOG), LOG)
        # Discovery again after a device arrival, with the same answers.
        before = app.library_calls().count("GetDriveList")
        app.device_change(DBT_DEVICEARRIVAL)
        self.assertEqual(app.library_calls().count("GetDriveList"), before + 1)
        self.assertEqual(app.text(IDC_LOG), LOG)
        # The poll keeps calling the library, and the program lives on.
        reads = app.library_calls().count("ATACBExecute")
        app.wait_until(lambda: app.library_calls().count("ATACBExecute") > reads + 2, what="the button to be read")
        self.assertTrue(app.alive())

    def test_library_whose_caller_cleans_up(self):
        self.check("full")

    def test_library_whose_entry_points_clean_up(self):
        self.check("full-callee-cleans")


if __name__ == "__main__":
    unittest.main()
