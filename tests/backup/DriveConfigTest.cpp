// Drive configurations against simulated drives: export, load into another
// drive with every step read back, compare, and what a load leaves behind
// when the line fails half-way.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <memory>
#include <thread>

#include "ConfigFile.h"
#include "DriveConfig.h"
#include "DriveSimulator.h"
#include "FieldGroups.h"
#include "FrameMonitor.h"
#include "ModbusMaster.h"

using zoric::sim::CDriveSimulator;
using zoric::sim::SimFault;
using zoric::sim::SimOptions;
using namespace Backup;

namespace {

struct Drive {
    explicit Drive(bool applyLinkSettings = false, uint8_t canNodeId = 1)
    {
        SimOptions o;
        o.timeScale = 0.02;
        o.applyLinkSettings = applyLinkSettings;
        o.canNodeId = canNodeId;
        sim = std::make_unique<CDriveSimulator>(o);
        if (!sim->Start()) return;
        master.OpenPort(sim->SlavePath(), 9600, 0);
    }
    std::unique_ptr<CDriveSimulator> sim;
    CModbusMaster master;
};

// Another valid value for every setting of the drive, straight into its
// registers and objects.
void ChangeEverything(CDriveSimulator& sim)
{
    for (const Item& item : Items()) {
        if (item.field) {
            const FieldRules::Field& f = *item.field;
            const uint16_t reg = f.reg;
            const uint16_t now = sim.GetRegister(reg);
            switch (item.type) {
            case ValueType::Bit: sim.SetRegister(reg, static_cast<uint16_t>(now ^ f.mask)); break;
            case ValueType::Float: {
                const uint32_t bits = std::bit_cast<uint32_t>(0.125f + static_cast<float>(reg));
                sim.SetRegister(reg, static_cast<uint16_t>(bits >> 16));
                sim.SetRegister(static_cast<uint16_t>(reg + 1), static_cast<uint16_t>(bits));
                break;
            }
            case ValueType::U32:
                if (f.kind == FieldRules::Kind::BaudChoice) break;  // the link: tested on its own
                sim.SetRegister(reg, 0x0001);
                sim.SetRegister(static_cast<uint16_t>(reg + 1), static_cast<uint16_t>(reg));
                break;
            case ValueType::Words:
                for (int i = 0; i < f.registers; ++i)
                    sim.SetRegister(static_cast<uint16_t>(reg + i), static_cast<uint16_t>(0x1111 * (i + 1)));
                break;
            default:
                if (item.link) break;
                if (f.kind == FieldRules::Kind::Choice)
                    sim.SetRegister(reg, static_cast<uint16_t>((now + 1) % f.items.size()));
                else if (f.kind == FieldRules::Kind::ChoiceBit0 || f.kind == FieldRules::Kind::CheckBit0 ||
                         f.kind == FieldRules::Kind::CheckOne || f.kind == FieldRules::Kind::CheckNonZero ||
                         f.kind == FieldRules::Kind::CheckZero)
                    sim.SetRegister(reg, static_cast<uint16_t>(now == 0 ? 1 : 0));
                else sim.SetRegister(reg, static_cast<uint16_t>(now + 3));
            }
        }
    }
    // TPDO2 on with its own mapping, SYNC with a cycle.
    sim.SetObject(0x1801, 1, 0x00000281);
    sim.SetObject(0x1801, 2, 1);
    sim.SetObject(0x1801, 5, 250);
    sim.SetObject(0x1A01, 0, 0);
    sim.SetObject(0x1A01, 1, 0x20010120);
    sim.SetObject(0x1A01, 2, 0x20020008);
    sim.SetObject(0x1A01, 0, 2);
    sim.SetObject(0x1006, 0, 10000);
    sim.SetObject(0x1007, 0, 2000);
}

const StepReport* StepOf(const LoadReport& report, const std::string& step)
{
    for (const StepReport& s : report.steps) {
        if (s.step == step) return &s;
    }
    return nullptr;
}

TEST(DriveConfig, ExportLoadIntoAnotherDriveAndCompareEqual)
{
    Drive a, b;
    ASSERT_TRUE(a.sim->IsRunning() && b.sim->IsRunning());
    ChangeEverything(*a.sim);
    const ReadResult exported = ReadConfiguration(a.master, 1);
    ASSERT_TRUE(exported.Ok()) << exported.failedStep << ": " << FailureText(exported.failure);

    const ParsedFile parsed = Parse(ToText(exported.config));
    ASSERT_TRUE(parsed.config) << Describe(parsed.problem);
    EXPECT_TRUE(Compare(parsed.config->values, exported.config.values).empty()) << "the file gives back every value";

    LoadOptions options;
    options.includeMotorIdentity = true;
    const Plan plan = Prepare(b.master, 1, *parsed.config, options);
    ASSERT_TRUE(plan.Ok()) << FailureText(plan.failure) << " refusal " << int(plan.refusal);
    EXPECT_FALSE(plan.changes.empty());
    const LoadReport report = Load(b.master, 1, *parsed.config, plan, options);
    for (const StepReport& s : report.steps) {
        EXPECT_TRUE(s.status == StepStatus::Verified || s.status == StepStatus::Unchanged)
            << s.step << " " << FailureText(s.failure) << (s.mismatched.empty() ? "" : " " + s.mismatched[0]);
    }
    EXPECT_TRUE(report.Complete());
    ASSERT_EQ(report.steps.front().step, "motor") << "the speed range goes first";

    const ReadResult after = ReadConfiguration(b.master, 1);
    ASSERT_TRUE(after.Ok());
    EXPECT_TRUE(Compare(after.config.values, parsed.config->values).empty());
    for (const FieldRules::Group& group : FieldRules::kGroups) {
        for (const FieldRules::Field& f : group.fields) {
            if (f.kind == FieldRules::Kind::ReservedZero) continue;
            for (int i = 0; i < f.registers; ++i) {
                const auto reg = static_cast<uint16_t>(f.reg + i);
                EXPECT_EQ(a.sim->GetRegister(reg), b.sim->GetRegister(reg)) << f.key;
            }
        }
    }
    EXPECT_EQ(b.sim->GetObject(0x1A01, 1), 0x20010120u);
    EXPECT_EQ(b.sim->GetObject(0x1A01, 0), 2u);
    EXPECT_EQ(b.sim->GetObject(0x1006, 0), 10000u);
}

TEST(DriveConfig, MotorIdentityAndLinkStayUnlessAsked)
{
    Drive a, b;
    ChangeEverything(*a.sim);
    a.sim->SetRegister(0x9C, 7);
    const ReadResult exported = ReadConfiguration(a.master, 1);
    ASSERT_TRUE(exported.Ok());
    const uint16_t phase = b.sim->GetRegister(109);
    const Plan plan = Prepare(b.master, 1, exported.config, {});
    ASSERT_TRUE(plan.Ok());
    EXPECT_FALSE(plan.kept.empty());
    const LoadReport report = Load(b.master, 1, exported.config, plan, {});
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(b.sim->GetRegister(109), phase);
    EXPECT_EQ(b.sim->GetRegister(0x9C), 1);
    EXPECT_EQ(b.sim->GetRegister(0x95), a.sim->GetRegister(0x95)) << "the comm group's other settings are loaded";
}

// TPDO2 switched on in a file from node 1, loaded into a drive at node 5.
struct NodeOneFile {
    NodeOneFile()
    {
        a.sim->SetObject(0x1801, 1, 0x00000281);
        exported = ReadConfiguration(a.master, 1);
        options.groups = {"pdo"};
    }
    Drive a;
    Drive b{false, 5};
    ReadResult exported;
    LoadOptions options;
};

TEST(DriveConfig, PdoCobIdsKeepTheNodeBitsOfTheDriveLoaded)
{
    NodeOneFile f;
    ASSERT_TRUE(f.exported.Ok());
    ASSERT_EQ(f.b.sim->GetObject(0x1801, 1), 0xC0000285u);
    const Plan plan = Prepare(f.b.master, 1, f.exported.config, f.options);
    ASSERT_TRUE(plan.Ok());
    const LoadReport report = Load(f.b.master, 1, f.exported.config, plan, f.options);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(StepOf(report, "pdo.tpdo2")->status, StepStatus::Verified);
    EXPECT_EQ(f.b.sim->GetObject(0x1801, 1), 0x00000285u) << "switched on, with node 5's CAN identifier";
    EXPECT_EQ(f.b.sim->GetObject(0x1400, 1), 0x00000205u) << "RPDO1 differs in its node bits only: left alone";
}

// A drive that keeps node 1's bits in TPDO2's COB-ID whatever is written:
// they are put back as soon as an answer is out.
class CKeepsNodeOneBits : public IFrameMonitor {
public:
    explicit CKeepsNodeOneBits(CDriveSimulator& sim) : m_sim(sim) {}
    void OnFrame(const CapturedFrame& frame) override
    {
        if (frame.kind != FrameKind::Answer) return;
        if (const auto cobId = m_sim.GetObject(0x1801, 1); cobId && (*cobId & 0x7F) != 1)
            m_sim.SetObject(0x1801, 1, (*cobId & ~0x7Fu) | 1);
    }

private:
    CDriveSimulator& m_sim;
};

TEST(DriveConfig, ACobIdReadBackWithAnotherNodesBitsFails)
{
    NodeOneFile f;
    ASSERT_TRUE(f.exported.Ok());
    const Plan plan = Prepare(f.b.master, 1, f.exported.config, f.options);
    ASSERT_TRUE(plan.Ok());
    CKeepsNodeOneBits keeper(*f.b.sim);
    f.b.master.SetFrameMonitor(&keeper);
    const LoadReport report = Load(f.b.master, 1, f.exported.config, plan, f.options);
    f.b.master.SetFrameMonitor(nullptr);
    ASSERT_EQ(f.b.sim->GetObject(0x1801, 1), 0x00000281u);
    EXPECT_FALSE(report.Complete());
    const StepReport* tpdo2 = StepOf(report, "pdo.tpdo2");
    EXPECT_EQ(tpdo2->status, StepStatus::Failed);
    EXPECT_EQ(tpdo2->mismatched, std::vector<std::string>{"pdo.tpdo2.cob_id"});
}

TEST(DriveConfig, LinkSettingsGoLastAndAreVerifiedOverTheNewLink)
{
    Drive a, b(true);
    a.sim->SetRegister(0x9C, 7);
    a.sim->SetRegister(0x90, 0);
    a.sim->SetRegister(0x91, 19200);
    a.sim->SetRegister(0x92, 1);    // odd parity, one stop bit
    a.sim->SetRegister(0x0122, 6);  // CAN 800 kbit/s
    const ReadResult exported = ReadConfiguration(a.master, 1);
    ASSERT_TRUE(exported.Ok());

    LoadOptions options;
    options.includeComm = true;
    const Plan plan = Prepare(b.master, 1, exported.config, options);
    ASSERT_TRUE(plan.Ok());
    ASSERT_TRUE(plan.newLink);
    EXPECT_EQ(*plan.newLink, (LinkSettings{19200, 1, 7}));
    std::vector<LinkSettings> relinked;
    LoadHooks hooks;
    hooks.relink = [&](const LinkSettings& link) {
        relinked.push_back(link);
        b.master.ClosePort();
        return b.master.OpenPort(b.sim->SlavePath(), static_cast<int>(link.baud), link.parityIndex);
    };
    const LoadReport report = Load(b.master, 1, exported.config, plan, options, hooks);
    for (const StepReport& s : report.steps)
        EXPECT_NE(s.status, StepStatus::Failed) << s.step << " " << FailureText(s.failure);
    EXPECT_TRUE(report.Complete());
    ASSERT_EQ(relinked.size(), 1u);
    EXPECT_EQ(report.newLink, relinked[0]);
    std::vector<std::string> order;
    for (const StepReport& s : report.steps) order.push_back(s.step);
    EXPECT_EQ(std::vector<std::string>(order.end() - 3, order.end()),
              (std::vector<std::string>{"can", "comm_address", "comm"}));
    EXPECT_EQ(b.sim->CurrentLink().slaveAddress, 7);
    EXPECT_EQ(b.sim->GetRegister(0x0122), 6);
    DeviceInfo info{};
    EXPECT_EQ(b.master.ReadDeviceInfo(7, info), kResultOk) << "the drive answers on its new link";

    // A drive that cannot be reached again is not reported as verified.
    Drive c(true);
    const Plan again = Prepare(c.master, 1, exported.config, options);
    hooks.relink = [](const LinkSettings&) { return false; };
    const LoadReport lost = Load(c.master, 1, exported.config, again, options, hooks);
    EXPECT_FALSE(lost.Complete());
    EXPECT_FALSE(lost.newLink);
    EXPECT_EQ(StepOf(lost, "comm")->status, StepStatus::Failed);
    EXPECT_EQ(StepOf(lost, "can")->status, StepStatus::Verified);
}

TEST(DriveConfig, ATimeOutHalfWayNamesWhatWasWrittenAndVerifiesNothingAfter)
{
    Drive a, b;
    ChangeEverything(*a.sim);
    const ReadResult exported = ReadConfiguration(a.master, 1);
    ASSERT_TRUE(exported.Ok());
    const Plan plan = Prepare(b.master, 1, exported.config, {});
    ASSERT_TRUE(plan.Ok());
    LoadHooks hooks;
    hooks.progress.step = [&](int, int, const std::string& step) {
        if (step == "pid") b.sim->InjectFault(SimFault::NoAnswer, 100);
    };
    const LoadReport report = Load(b.master, 1, exported.config, plan, {}, hooks);
    EXPECT_FALSE(report.Complete());
    const StepReport* pid = StepOf(report, "pid");
    ASSERT_TRUE(pid);
    EXPECT_EQ(pid->status, StepStatus::Failed);
    EXPECT_EQ(pid->failure.result, kResultTimeout);
    EXPECT_EQ(StepOf(report, "motor")->status, StepStatus::Verified);
    bool after = false;
    for (const StepReport& s : report.steps) {
        if (after) {
            EXPECT_EQ(s.status, StepStatus::NotDone) << s.step;
        }
        after = after || s.step == "pid";
    }
}

TEST(DriveConfig, RefusedWhileTheMotorRuns)
{
    Drive a;
    const ReadResult exported = ReadConfiguration(a.master, 1);
    ASSERT_TRUE(exported.Ok());
    ASSERT_EQ(a.master.WriteSpeedCommand(1, 250, CModbusMaster::SpeedCommandKind::Frequency), kResultOk);
    RealtimeStatus status{};
    for (int i = 0; i < 100 && status.commutationFrequency == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(a.master.ReadRealtimeStatus(1, status), kResultOk);
    }
    const Plan plan = Prepare(a.master, 1, exported.config, {});
    EXPECT_EQ(plan.refusal, Refusal::Running);
    const uint16_t before = a.sim->GetRegister(106);
    EXPECT_EQ(Load(a.master, 1, exported.config, plan, {}).refusal, Refusal::Running);
    EXPECT_EQ(a.sim->GetRegister(106), before);
}

}  // namespace
