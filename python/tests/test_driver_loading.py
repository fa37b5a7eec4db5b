import os
import unittest
from unittest import mock

from vlr1210_can import driver
from vlr1210_can.driver import Driver, DriverNotFound


class CandidateTest(unittest.TestCase):
    def candidates(self, path=None, environment=None, platform="linux"):
        with mock.patch.dict(os.environ, environment or {}, clear=True), \
                mock.patch.object(driver.sys, "platform", platform), \
                mock.patch.object(driver.ctypes.util, "find_library",
                                  return_value=None):
            return driver._candidates(path)

    def test_order(self):
        self.assertEqual(self.candidates("/x/lib.so", {"VLR1210_DRIVER": "/y"}),
                         ["/x/lib.so"])
        self.assertEqual(self.candidates(None, {"VLR1210_DRIVER": "/y/lib.so"}),
                         ["/y/lib.so"])
        self.assertEqual(self.candidates(), ["libvlr1210.so"])
        self.assertEqual(self.candidates(platform="win32"), ["VLR1210.DLL"])


class LoadTest(unittest.TestCase):
    def test_a_library_without_the_functions_is_refused(self):
        with self.assertRaisesRegex(DriverNotFound, "RP1210_ClientConnect"):
            Driver("libc.so.6")

    def test_a_missing_file_is_named(self):
        with self.assertRaisesRegex(DriverNotFound, "/nonexistent/libvlr1210.so"):
            Driver("/nonexistent/libvlr1210.so")


if __name__ == "__main__":
    unittest.main()
