#pragma once
// The parameter groups with their field tables, for whatever handles a
// drive's settings as a whole (configuration files, recording, zoric-cli),
// and the compile-time look-up of one field by its key for the pages.

#include <span>
#include <string_view>

#include "CanParams.h"
#include "CommAddress.h"
#include "CommParams.h"
#include "FieldRules.h"
#include "FocParams.h"
#include "MotorParams.h"
#include "PidParams.h"
#include "PresetSpeeds.h"
#include "RampSettings.h"
#include "ReciprocateParams.h"
#include "SafetyParams.h"
#include "SystemParams.h"
#include "SystemParamsExt.h"

namespace FieldRules {

struct Group {
    const char* key;
    uint16_t start;  // the record's layout
    uint16_t count;
    std::span<const Field> fields;
};

template <typename Record>
constexpr Group GroupOf(const char* key, std::span<const Field> fields)
{
    return {key, Record::kStart, Record::kCount, fields};
}

inline constexpr Group kGroups[] = {
    GroupOf<RampSettings>("ramp", kRampSettingsFields),
    GroupOf<MotorParams>("motor", kMotorParamsFields),
    GroupOf<SystemParams>("system", kSystemParamsFields),
    GroupOf<SystemParamsExt>("system_ext", kSystemParamsExtFields),
    GroupOf<PidParams>("pid", kPidParamsFields),
    GroupOf<FocParams>("foc", kFocParamsFields),
    GroupOf<SafetyParams>("safety", kSafetyParamsFields),
    GroupOf<ReciprocateParams>("reciprocate", kReciprocateParamsFields),
    GroupOf<PresetSpeeds>("preset", kPresetSpeedsFields),
    GroupOf<CommParams>("comm", kCommParamsFields),
    GroupOf<CommAddress>("comm_address", kCommAddressFields),
    GroupOf<CanParams>("can", kCanParamsFields),
};

// The field under `key` in any group; a key no table has does not compile.
consteval const Field& Rule(std::string_view key)
{
    for (const Group& group : kGroups) {
        for (const Field& field : group.fields) {
            if (key == field.key) return field;
        }
    }
    throw "no field under this key";
}

}  // namespace FieldRules
