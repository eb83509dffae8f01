// libFuzzer target: arbitrary bytes from the line into the drive's frame
// parser and Modbus layer. A 0xFE byte in the input marks a pause on the
// line. Every answer must be a well-formed frame from the drive's address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "DriveModel.h"
#include "SlaveCrc.h"
#include "SlaveFrameParser.h"
#include "SlaveProtocol.h"

using namespace zoric::sim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const SimOptions options;
    CDriveModel model(options, CDriveModel::Clock::time_point{});
    CSlaveProtocol protocol(model, options.slaveAddress);
    CSlaveFrameParser parser;
    auto clock = CDriveModel::Clock::time_point{};

    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != 0xFE) continue;
        parser.Feed(data + start, i - start);
        if (i < size) parser.Silence();
        start = i + 1;
        CSlaveFrameParser::Frame request, answer;
        while (parser.Next(request)) {
            clock += std::chrono::milliseconds(20);
            model.Advance(clock);
            if (!protocol.Handle(request, answer)) continue;
            if (answer.size() < 5 || answer.size() > 256 || answer[0] != options.slaveAddress ||
                !HasValidCrc(answer.data(), answer.size()))
                std::abort();
        }
    }
    return 0;
}
