"""A short pass of the soak (soak.py) within make test: a few hundred random
operations on the tour build; a failure keeps its seed in build/soak/."""
import os
import unittest

from e2e_support import ROOT, port_free, start_devserver
from soak import PROBE, soak
from tour import DDE_CLIENT, TOUR


@unittest.skipUnless(all(os.path.exists(p) for p in (TOUR, DDE_CLIENT, PROBE)) and os.environ.get("DISPLAY"),
                     "needs the tour build, the probe and a display")
class ShortSoak(unittest.TestCase):
    def test_a_few_hundred_random_operations_keep_the_client_whole(self):
        if not port_free(18080):
            self.skipTest("port 18080 is taken: the tour build talks to the devserver there")
        devserver = start_devserver()
        self.addCleanup(devserver.wait, 10)
        self.addCleanup(devserver.terminate)
        failure = soak(os.path.join(ROOT, "build", "soak"), int(os.environ.get("SOAK_OPS") or 300))
        self.assertIsNone(failure, failure)


if __name__ == "__main__":
    unittest.main()
