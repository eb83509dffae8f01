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
    const char* page = "";  // the tab of the page that shows it, as the tab names it
};

template <typename Record>
constexpr Group GroupOf(const char* key, std::span<const Field> fields, const char* page)
{
    return {key, Record::kStart, Record::kCount, fields, page};
}

inline constexpr Group kGroups[] = {
    GroupOf<RampSettings>("ramp", kRampSettingsFields, "电机控制"),
    GroupOf<MotorParams>("motor", kMotorParamsFields, "电机参数"),
    GroupOf<SystemParams>("system", kSystemParamsFields, "系统参数"),
    GroupOf<SystemParamsExt>("system_ext", kSystemParamsExtFields, "系统参数"),
    GroupOf<PidParams>("pid", kPidParamsFields, "PID和FOC参数"),
    GroupOf<FocParams>("foc", kFocParamsFields, "PID和FOC参数"),
    GroupOf<SafetyParams>("safety", kSafetyParamsFields, "安全保护"),
    GroupOf<ReciprocateParams>("reciprocate", kReciprocateParamsFields, "往复运动"),
    GroupOf<PresetSpeeds>("preset", kPresetSpeedsFields, "往复运动"),
    GroupOf<CommParams>("comm", kCommParamsFields, "通讯参数"),
    GroupOf<CommAddress>("comm_address", kCommAddressFields, "通讯参数"),
    GroupOf<CanParams>("can", kCanParamsFields, "通讯参数"),
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
