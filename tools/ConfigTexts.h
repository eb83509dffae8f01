#pragma once
// The words of the configuration windows (载入/导出/比较配置) for what the
// drive-configuration library reports: group and step names as the pages
// call them, failures, file problems, refusals and the outcome of a load
// step, and the values as the pages show them.

#include <QCoreApplication>
#include <QString>
#include <optional>
#include <string>

#include "DriveBatch.h"
#include "DriveConfig.h"

class ConfigTexts {
    Q_DECLARE_TR_FUNCTIONS(ConfigTexts)

public:
    // "电机参数" for "motor"; a key without a name is shown as it is.
    static QString GroupName(const std::string& group);
    // A load or read step: a group's name, "TPDO1", "SYNC", "设备信息".
    static QString StepName(const std::string& step);
    static QString Failure(const Backup::Failure& failure);
    // "读取电机参数失败: 通讯超时"
    static QString ReadFailure(const std::string& step, const Backup::Failure& failure);
    // Why a file is not taken, naming the key and the line.
    static QString FileProblem(const Backup::FileProblem& problem);
    static QString Refusal(Backup::Refusal refusal);
    // "设备型号" for "model".
    static QString IdentityField(const std::string& field);
    static QString IdentityValue(const Backup::DriveIdentity& identity, const std::string& field);
    // The outcome of one load step, as the report lists it.
    static QString StepResult(const Backup::StepReport& step);
    // The outcome of one drive of a batch load, as its report lists it.
    static QString DriveResult(const Backup::BatchDrive& drive);
    // A setting as the pages name it: "电机参数 / 电机额定电流"; the key
    // when no item has it.
    static QString Title(const std::string& key);
    // A value as its page shows it, units from `values`; "无" when absent.
    static QString Shown(const std::string& key, std::optional<uint64_t> raw, const Backup::Values& values);
};
