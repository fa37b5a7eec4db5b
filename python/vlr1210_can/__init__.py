"""python-can interface `vlr1210`: Volra serial vehicle datalink adapters
through the vlr1210 RP1210A driver.

    import can
    bus = can.Bus(interface="vlr1210", channel="201")
"""

from .bus import DEVICE_IDS, Vlr1210Bus

__all__ = ["DEVICE_IDS", "Vlr1210Bus"]
__version__ = "1.1.0"
