#pragma once
#include <cstdint>

// One PDO's communication parameters as the tool last read them from the
// drive's object dictionary or last wrote them there.
struct PdoCommRecord {
    uint32_t cobId = 0;            // communication object, sub-index 1
    uint8_t transmissionType = 0;  // communication object, sub-index 2
    uint8_t mappedCount = 0;       // mapping object, sub-index 0
    uint16_t inhibitTime = 0;      // communication object, sub-index 3
    uint16_t eventTime = 0;        // communication object, sub-index 5
};
