#pragma once
// A master on one end of a back-to-back pseudo-terminal pair and a scripted
// slave on the other.
#include <gtest/gtest.h>

#include <memory>

#include "ModbusMaster.h"
#include "PtyBridge.h"
#include "ScriptedSlave.h"

class LinkFixture : public ::testing::Test {
protected:
    void Answer(CScriptedSlave::Script script)
    {
        ASSERT_TRUE(line.Ok());
        slave = std::make_unique<CScriptedSlave>(line.PathB(), std::move(script));
        ASSERT_TRUE(slave->Ok());
        if (!master.IsPortOpen()) {
            ASSERT_TRUE(master.OpenWithMode(line.PathA(), "9600,n,8,2"));
        }
    }
    // Answers every request with the same bytes (CRC appended).
    void AnswerAlways(std::vector<uint8_t> frame)
    {
        auto bytes = WithCrc(std::move(frame));
        Answer([bytes](const std::vector<uint8_t>&) { return SlaveReply::Bytes(bytes); });
    }
    std::vector<uint8_t> LastRequest() const
    {
        auto all = slave->Requests();
        return all.empty() ? std::vector<uint8_t>{} : all.back();
    }

    CPtyBridge line;
    CModbusMaster master;
    std::unique_ptr<CScriptedSlave> slave;
};
