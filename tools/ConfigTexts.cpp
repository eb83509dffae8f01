#include "ConfigTexts.h"

#include <QStringList>
#include <iterator>

#include "QtText.h"

namespace {

using QtText::Qs;

struct Name {
    const char* key;
    const char* text;
};
// The groups under the names of their pages and page sections.
constexpr Name kGroupNames[] = {
    {"ramp", QT_TRANSLATE_NOOP("ConfigTexts", "加减速设置")},
    {"motor", QT_TRANSLATE_NOOP("ConfigTexts", "电机参数")},
    {"system", QT_TRANSLATE_NOOP("ConfigTexts", "系统参数")},
    {"system_ext", QT_TRANSLATE_NOOP("ConfigTexts", "扩展系统参数")},
    {"pid", QT_TRANSLATE_NOOP("ConfigTexts", "PID参数")},
    {"foc", QT_TRANSLATE_NOOP("ConfigTexts", "FOC参数")},
    {"safety", QT_TRANSLATE_NOOP("ConfigTexts", "安全保护")},
    {"reciprocate", QT_TRANSLATE_NOOP("ConfigTexts", "往复运动参数")},
    {"preset", QT_TRANSLATE_NOOP("ConfigTexts", "预置速度")},
    {"comm", QT_TRANSLATE_NOOP("ConfigTexts", "通讯参数")},
    {"comm_address", QT_TRANSLATE_NOOP("ConfigTexts", "从站地址")},
    {"can", QT_TRANSLATE_NOOP("ConfigTexts", "CAN参数")},
    {"pdo", QT_TRANSLATE_NOOP("ConfigTexts", "PDO")},
    {"sync", QT_TRANSLATE_NOOP("ConfigTexts", "SYNC")},
    // Steps that are not groups: what is read before the groups.
    {"drive", QT_TRANSLATE_NOOP("ConfigTexts", "设备信息")},
    {"status", QT_TRANSLATE_NOOP("ConfigTexts", "实时状态")},
};

constexpr Name kIdentityNames[] = {
    {"identifier", QT_TRANSLATE_NOOP("ConfigTexts", "设备标识")},
    {"version", QT_TRANSLATE_NOOP("ConfigTexts", "版本号")},
    {"model", QT_TRANSLATE_NOOP("ConfigTexts", "设备型号")},
};

template <size_t N>
QString Lookup(const Name (&names)[N], const std::string& key)
{
    for (const Name& name : names) {
        if (key == name.key) return ConfigTexts::tr(name.text);
    }
    return Qs(key);
}

QString Keys(const std::vector<std::string>& keys)
{
    QStringList list;
    for (const std::string& key : keys) list << Qs(key);
    return list.join(QStringLiteral(", "));
}

}  // namespace

QString ConfigTexts::GroupName(const std::string& group) { return Lookup(kGroupNames, group); }

QString ConfigTexts::StepName(const std::string& step)
{
    // "pdo.tpdo1" -> "TPDO1", as the communication page lists the PDOs.
    if (step.starts_with("pdo.")) return Qs(step.substr(4)).toUpper();
    return GroupName(step);
}

QString ConfigTexts::Failure(const Backup::Failure& failure)
{
    // Already in the user's language: the result and abort texts come from protocol/.
    return Qs(Backup::FailureText(failure));
}

QString ConfigTexts::ReadFailure(const std::string& step, const Backup::Failure& failure)
{
    return tr("读取%1失败: %2").arg(StepName(step), Failure(failure));
}

QString ConfigTexts::FileProblem(const Backup::FileProblem& problem)
{
    QString text;
    if (problem.error == Backup::FileError::Unreadable) {
        text = tr("无法读取文件。");
    } else if (problem.error == Backup::FileError::NewerFormat) {
        text = tr("文件由较新版本的程序生成, 无法读取。");
    } else if (!problem.key.empty() && problem.line > 0) {
        text = tr("配置文件第%1行的%2有误。").arg(problem.line).arg(Qs(problem.key));
    } else if (!problem.key.empty()) {
        text = tr("配置文件中的%1有误。").arg(Qs(problem.key));
    } else if (problem.line > 0) {
        text = tr("配置文件第%1行有误。").arg(problem.line);
    } else {
        text = tr("不是有效的配置文件。");
    }
    // The detail is the library's English line, for whoever fixes the file.
    return text + QStringLiteral("\n") + Qs(Backup::Describe(problem));
}

QString ConfigTexts::Refusal(Backup::Refusal refusal) { return QString::fromUtf8(Backup::RefusalText(refusal)); }

QString ConfigTexts::IdentityField(const std::string& field) { return Lookup(kIdentityNames, field); }

QString ConfigTexts::IdentityValue(const Backup::DriveIdentity& identity, const std::string& field)
{
    if (field == "identifier") return Qs(identity.identifier);
    if (field == "version") return Qs(identity.version);
    return Qs(identity.model);
}

QString ConfigTexts::StepResult(const Backup::StepReport& step)
{
    QString text;
    switch (step.status) {
    case Backup::StepStatus::Verified: text = tr("已写入并校验"); break;
    case Backup::StepStatus::Unchanged: text = tr("无变化"); break;
    case Backup::StepStatus::NotDone: text = tr("未执行"); break;
    case Backup::StepStatus::Failed:
        text = step.failure.Failed() ? tr("失败: %1").arg(Failure(step.failure))
                                     : tr("失败: 读回的值不同: %1").arg(Keys(step.mismatched));
        // A write that was sent may have changed part of the group.
        if (step.written && step.failure.Failed()) text += tr(" (可能已部分写入)");
        break;
    }
    if (!step.skipped.empty()) text += tr("; 驱动器没有: %1").arg(Keys(step.skipped));
    return text;
}

QString ConfigTexts::DriveResult(const Backup::BatchDrive& drive)
{
    using Backup::BatchOutcome;
    switch (Backup::OutcomeOf(drive)) {
    case BatchOutcome::OtherLine: return tr("在其他通讯设置, 未载入");
    case BatchOutcome::NotLoaded: return tr("未载入");
    case BatchOutcome::ReadFailed: {
        // The second look at the device information has no step of its own.
        const std::string& step = drive.plan->failedStep;
        return tr("失败: %1").arg(ReadFailure(step.empty() ? "drive" : step, drive.plan->failure));
    }
    case BatchOutcome::Refused: return Refusal(drive.report ? drive.report->refusal : drive.plan->refusal);
    case BatchOutcome::Unchanged: return tr("无变化, 驱动器中的参数与文件相同");
    case BatchOutcome::Verified: return tr("已写入并校验");
    case BatchOutcome::StoreFailed: return tr("已写入并校验, 保存失败: %1").arg(Failure(*drive.store));
    case BatchOutcome::Failed:
        if (const Backup::StepReport* step = Backup::FailedStep(drive))
            return QStringLiteral("%1: %2").arg(StepName(step->step), StepResult(*step));
        return tr("已取消, 之后的参数未写入");
    }
    return {};
}

QString ConfigTexts::Title(const std::string& key)
{
    const Backup::Item* item = Backup::FindItem(key);
    return item ? Qs(Backup::TitleOf(*item)) : Qs(key);
}

QString ConfigTexts::Shown(const std::string& key, std::optional<uint64_t> raw, const Backup::Values& values)
{
    const Backup::Item* item = Backup::FindItem(key);
    if (!raw || !item) return tr("无");
    return Qs(Backup::Shown(*item, *raw, values));
}
