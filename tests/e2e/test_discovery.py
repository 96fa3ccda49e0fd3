"""Discovery of the enclosure, its bridge chip and its front-port disk, by the real program
under Wine with the simulated JMUsbDll.dll."""
import unittest

from harness import (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, HUB, IDC_LOG, IDC_STATUS, USB_ID, AppTestCase,
                     bridge_disk, front_port_disk)

NOT_FOUND = b"Zolvan Backup Utility -- Device not found!"
BRIDGE_E = bridge_disk("E")
FRONT_G = front_port_disk("G")

LOG_E = ("\r\nDevice 1 : << E >>     %s \r\n" % USB_ID
         + "\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: 1.0.2507 \r\n"
         + "\r\nVID = 0E9C  , PID = 00A3\r\n\n"
         + "\r\n0th Drive: %s Port:1  << E >> \r\n" % HUB).encode()
LOG_G = ("\r\n1th Drive: %s Port:2  << G >> \r\n" % HUB).encode()


class DiscoveryTest(AppTestCase):
    def wait_for_icon(self, app, colour, label):
        app.wait_until(lambda: app.tray_colours(label) == {colour}, what="the %s tray icon" % colour)

    def test_no_enclosure_reports_not_found_with_red_icon(self):
        app = self.launch(enclosure="")
        self.assertEqual(app.text(IDC_STATUS), NOT_FOUND)
        self.assertEqual(app.text(IDC_LOG), b"")
        self.wait_for_icon(app, "red", "red-icon")

    def test_bridge_with_front_port_disk_is_found_with_green_icon(self):
        app = self.launch(enclosure=BRIDGE_E + FRONT_G)
        self.assertEqual(app.text(IDC_STATUS), b"Device found!")
        self.assertEqual(app.text(IDC_LOG), LOG_E + LOG_G)
        self.wait_for_icon(app, "green", "green-icon")

    def test_unrecognised_bridge_is_not_found(self):
        app = self.launch(enclosure=bridge_disk("E", marker="J336"))
        self.assertEqual(app.text(IDC_STATUS), NOT_FOUND)
        # Not found empties the log text, so the hub drives' lines replace the device lines in the view.
        self.assertEqual(app.text(IDC_LOG), ("\r\n0th Drive: %s Port:1  << E >> \r\n" % HUB).encode())

    def test_device_changes_rerun_discovery(self):
        app = self.launch(enclosure="")
        self.assertEqual(app.text(IDC_STATUS), NOT_FOUND)

        app.write_enclosure(BRIDGE_E)
        app.device_change(DBT_DEVICEARRIVAL)
        self.assertEqual(app.text(IDC_STATUS), b"Device found!")
        self.assertEqual(app.text(IDC_LOG), LOG_E)
        self.wait_for_icon(app, "blue", "blue-icon")

        app.write_enclosure(BRIDGE_E + FRONT_G)
        app.device_change(DBT_DEVICEARRIVAL)
        self.assertEqual(app.text(IDC_LOG), LOG_E + LOG_G)
        self.wait_for_icon(app, "green", "green-after-arrival")

        app.write_enclosure("")
        app.device_change(DBT_DEVICEREMOVECOMPLETE)
        self.assertEqual(app.text(IDC_STATUS), NOT_FOUND)
        self.wait_for_icon(app, "red", "red-after-removal")

        # Other codes do not look at the enclosure again.
        app.write_enclosure(BRIDGE_E)
        app.device_change(0x0007)
        self.assertEqual(app.text(IDC_STATUS), NOT_FOUND)


if __name__ == "__main__":
    unittest.main()
