#include "ui/undo_texts.h"

#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <algorithm>
#include <map>
#include <system_error>

namespace ui {
namespace {

// Journals keep the time in UTC to the nanosecond; the user knows it on the local clock,
// to the minute.
QString localTime(const std::string& utc) {
    QDateTime time = QDateTime::fromString(QString::fromStdString(utc.substr(0, 19)),
                                           QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    time.setTimeZone(QTimeZone::utc());
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy年M月d日 HH:mm"))
                          : QString::fromStdString(utc);
}

} // namespace

QString undoQuestion(const runs::RunRecord& run) {
    const std::size_t left = run.photos - std::min(run.movedBack, run.photos);
    return QStringLiteral("撤销%1（生日 %2）的那次改名吗？\n%3张照片将恢复原来的名字；"
                          "改名后又被改过的照片保留现在的名字。")
        .arg(localTime(run.time), QString::fromStdString(run.birthday))
        .arg(left);
}

QString runNotUndoable() {
    return QStringLiteral("改名已完成，但无法记录这次改名，以后不能撤销。");
}

QString nothingToUndo() {
    return QStringLiteral("这个文件夹里没有可以撤销的改名。");
}

QString lastRecordUnreadable() {
    return QStringLiteral("上一次改名的记录无法读取，所以没有撤销任何改名。");
}

QString folderGone() {
    return QStringLiteral("打不开这个文件夹，存储卡是否已经拔出？");
}

namespace {

enum class Why { ChangedSince, OldNameTaken, ReadOnly, Gone, Refused };

Why whyKept(const runs::PhotoOutcome& photo) {
    if (photo.reason == naming::KeptReason::ChangedSince)
        return Why::ChangedSince;
    if (photo.reason == naming::KeptReason::OldNameTaken)
        return Why::OldNameTaken;
    const std::error_code& e = photo.error;
    if (e == std::errc::permission_denied || e == std::errc::read_only_file_system ||
        e == std::errc::operation_not_permitted)
        return Why::ReadOnly;
    if (e == std::errc::no_such_file_or_directory || e == std::errc::no_such_device ||
        e == std::errc::io_error)
        return Why::Gone;
    return Why::Refused;
}

// Each reason once, with how many photos it kept back.
QString reasons(const runs::Outcome& outcome, int& total) {
    std::map<Why, int> counts;
    for (const runs::PhotoOutcome& photo : outcome.photos) {
        if (photo.refused())
            ++counts[whyKept(photo)];
    }
    const std::map<Why, QString> texts{
        {Why::ChangedSince, QStringLiteral("%1张在改名后又被改名、移走或删除")},
        {Why::OldNameTaken, QStringLiteral("%1张原来的名字已被别的文件占用")},
        {Why::ReadOnly, QStringLiteral("%1张不允许改名（文件夹只读，或存储卡的写保护开关已打开）")},
        {Why::Gone, QStringLiteral("%1张读不到了（存储卡是否已经拔出？）")},
        {Why::Refused, QStringLiteral("%1张系统不允许改名")},
    };
    QStringList why;
    total = 0;
    for (const auto& [reason, count] : counts) {
        why << texts.at(reason).arg(count);
        total += count;
    }
    return why.join(QStringLiteral("，"));
}

} // namespace

QString undoReport(const runs::Outcome& outcome) {
    switch (outcome.ending) {
    case runs::Ending::NothingToUndo:
        return nothingToUndo();
    case runs::Ending::AnotherRunLast:
        return QStringLiteral("这个文件夹刚刚又被改过名，没有撤销任何改名。"
                              "请再按一次 Ctrl+Z，看看现在要撤销的是哪一次。");
    case runs::Ending::NewerJournalUnreadable:
        return QStringLiteral("之后一次改名的记录无法读取，为了不打乱顺序，这次没有撤销任何改名。");
    default:
        break;
    }
    int kept = 0;
    const QString why = reasons(outcome, kept);
    const bool unfinished =
        outcome.ending == runs::Ending::Unfinished || outcome.ending == runs::Ending::PhotoVanished;
    if (kept == 0)
        return unfinished ? QStringLiteral("撤销没有做完，请稍后再试一次。") : QString();
    return QStringLiteral("有%1张照片没能恢复原来的名字：%2。").arg(kept).arg(why);
}

} // namespace ui
