// Our master against libmodbus's RTU slave, an implementation written
// independently of ours, over a back-to-back pair of ttys.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include <modbus.h>

#include "ModbusMaster.h"
#include "PtyBridge.h"

namespace {

class LibmodbusSlave {
public:
    explicit LibmodbusSlave(const std::string& path)
    {
        m_ctx = modbus_new_rtu(path.c_str(), 9600, 'N', 8, 2);
        m_map = modbus_mapping_new(0, 0, 0x300, 0);
        modbus_set_slave(m_ctx, 17);
        if (modbus_connect(m_ctx) != 0) return;
        for (int i = 0; i < 0x300; ++i) m_map->tab_registers[i] = static_cast<uint16_t>(i * 3);
        m_ok = true;
        m_thread = std::thread([this] { Run(); });
    }
    ~LibmodbusSlave()
    {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        modbus_close(m_ctx);
        modbus_mapping_free(m_map);
        modbus_free(m_ctx);
    }
    bool Ok() const { return m_ok; }
    uint16_t Reg(int i) const { return m_map->tab_registers[i]; }

private:
    void Run()
    {
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        modbus_set_indication_timeout(m_ctx, 0, 100000);
        while (!m_stop) {
            int rc = modbus_receive(m_ctx, query);
            if (rc > 0) modbus_reply(m_ctx, query, rc, m_map);
        }
    }
    modbus_t* m_ctx = nullptr;
    modbus_mapping_t* m_map = nullptr;
    bool m_ok = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(Interop, ReadsWritesAndExceptionsAgainstLibmodbus)
{
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    LibmodbusSlave slave(line.PathB());
    ASSERT_TRUE(slave.Ok());
    CModbusMaster master;
    ASSERT_TRUE(master.OpenPort(line.PathA(), 9600, 0));

    uint8_t data[54];
    uint16_t length = sizeof data;
    ASSERT_EQ(master.ReadHoldingRegisters(17, 32, 27, data, &length), 0u);
    ASSERT_EQ(length, 54);
    CModbusMaster::SwapBytes16(data, length);
    uint16_t regs[27];
    std::memcpy(regs, data, sizeof regs);
    EXPECT_EQ(regs[0], 96);
    EXPECT_EQ(regs[26], 58 * 3);

    ASSERT_EQ(master.WriteSingleRegister(17, 67, 0xBEEF), 0u);
    EXPECT_EQ(slave.Reg(67), 0xBEEF);

    uint16_t values[31];
    for (int i = 0; i < 31; ++i) values[i] = static_cast<uint16_t>(1000 + i);
    uint16_t echoStart = 0, echoCount = 0;
    ASSERT_EQ(master.WriteMultipleRegisters(17, 0x200, values, 31, &echoStart, &echoCount), 0u);
    EXPECT_EQ(echoStart, 0x200);
    EXPECT_EQ(echoCount, 31);
    EXPECT_EQ(slave.Reg(0x200 + 30), 1030);

    length = 2;
    EXPECT_EQ(master.ReadHoldingRegisters(17, 0x2FF, 2, data, &length), 2u) << "illegal data address";
    EXPECT_EQ(master.ReadHoldingRegisters(18, 0, 1, nullptr, nullptr), kResultTimeout) << "nobody at 18";
}

}  // namespace
