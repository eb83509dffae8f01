#!/usr/bin/python3
# A pymodbus TCP server for the link tests: slave 17, holding registers
# 0..0x2FF holding 3 * address. Usage: pymodbus_server.py tcp|rtu PORT
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.framer.socket_framer import ModbusSocketFramer
from pymodbus.server import StartTcpServer

mode, port = sys.argv[1], int(sys.argv[2])
registers = ModbusSequentialDataBlock(0, [(3 * i) & 0xFFFF for i in range(0x300)])
context = ModbusServerContext(slaves={17: ModbusSlaveContext(hr=registers, zero_mode=True)}, single=False)
framer = ModbusRtuFramer if mode == "rtu" else ModbusSocketFramer
StartTcpServer(context=context, address=("127.0.0.1", port), framer=framer)
