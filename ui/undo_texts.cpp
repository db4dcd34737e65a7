#include "ui/undo_texts.h"

#include <QDateTime>
#include <QStringList>
#include <QTimeZone>

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
    return QStringLiteral("撤销%1的那次改名吗？\n%2张照片将恢复原来的名字。")
        .arg(localTime(run.time))
        .arg(run.photos);
}

QString nothingToUndo() {
    return QStringLiteral("这个文件夹里没有可以撤销的改名。");
}

QString undoReport(const runs::Outcome& outcome) {
    switch (outcome.ending) {
    case runs::Ending::NothingToUndo:
        return nothingToUndo();
    case runs::Ending::NewerJournalUnreadable:
        return QStringLiteral("之后一次改名的记录无法读取，为了不打乱顺序，这次没有撤销任何改名。");
    case runs::Ending::Unfinished:
    case runs::Ending::PhotoVanished:
        return QStringLiteral("撤销没有做完，请稍后再试一次。");
    default:
        break;
    }
    int changed = 0, taken = 0, refused = 0;
    for (const runs::PhotoOutcome& photo : outcome.photos) {
        if (!photo.refused())
            continue;
        if (photo.reason == naming::KeptReason::ChangedSince)
            ++changed;
        else if (photo.reason == naming::KeptReason::OldNameTaken)
            ++taken;
        else
            ++refused;
    }
    QStringList why;
    if (changed > 0)
        why << QStringLiteral("%1张在改名后又被改名、移走或删除").arg(changed);
    if (taken > 0)
        why << QStringLiteral("%1张原来的名字已被别的文件占用").arg(taken);
    if (refused > 0)
        why << QStringLiteral("%1张系统不允许改名").arg(refused);
    if (why.isEmpty())
        return {};
    return QStringLiteral("有%1张照片没能恢复原来的名字：%2。")
        .arg(changed + taken + refused)
        .arg(why.join(QStringLiteral("，")));
}

} // namespace ui
