#include "naming/batch.h"

#include "naming/photo_name.h"

namespace naming {

std::string_view messageText(Message message) {
    switch (message) {
    case Message::BadBirthday:
        return "生日输入有误！请按示例格式输入。";
    case Message::MetadataMissing:
        return "文件丢失！请重新安装本软件。";
    }
    return {};
}

namespace {

const std::string temporaryName(kTemporaryName);

class Run {
public:
    Run(std::string_view birthday, const RunContext& context)
        : birthday_(birthday), c_(context) {}

    // Treats one photo; false when the run must end.
    bool treat(const std::string& oldName) {
        // A photo left under the temporary name by an interrupted run is named in place.
        if (oldName != temporaryName && c_.folder.rename(oldName, temporaryName)) {
            report(oldName, oldName);
            return true;
        }

        const std::optional<std::string> shot = c_.times.shootingTime(temporaryName);
        if (!shot)
            return giveBack(oldName, Message::MetadataMissing);
        if (shot->empty() || isUnknownShootingTime(*shot))
            return giveBack(oldName);

        const std::optional<AgeStamp> stamp = ageStamp(birthday_, *shot);
        if (!stamp)
            return giveBack(oldName, Message::BadBirthday);
        if (!clockFitsFileName(*shot))
            return giveBack(oldName);

        const std::string base = baseName(*stamp);
        const std::string newName = photoName(
            base, collisionLetter(base, [this](const std::string& n) { return c_.folder.exists(n); }));
        if (c_.folder.rename(temporaryName, newName))
            return giveBack(oldName);
        report(oldName, newName);
        return true;
    }

    RunEnd end() const { return end_; }

private:
    // Moves the photo back to its old name. Where that fails it stays under the
    // temporary name, which no later rename of this run can take over.
    bool giveBack(const std::string& oldName, std::optional<Message> message = std::nullopt) {
        if (oldName == temporaryName || !c_.folder.rename(temporaryName, oldName))
            report(oldName, oldName);
        else
            report(oldName, temporaryName);
        if (!message)
            return true;
        c_.errors.show(*message);
        end_ = *message == Message::BadBirthday ? RunEnd::BadBirthday : RunEnd::MetadataMissing;
        return false;
    }

    void report(const std::string& from, const std::string& to) {
        if (!c_.observer)
            return;
        if (from == to)
            c_.observer->kept(from);
        else
            c_.observer->renamed(from, to);
    }

    std::string_view birthday_;
    const RunContext& c_;
    RunEnd end_ = RunEnd::Completed;
};

} // namespace

RunEnd renamePhotos(RunMode mode, std::string_view birthday, const RunContext& context) {
    if (!birthdayShapeOk(birthday)) {
        context.errors.show(Message::BadBirthday);
        return RunEnd::BadBirthday;
    }
    Run run(birthday, context);
    const int count = context.photos.count(); // read once: the list is not re-read mid-run
    for (int i = 0; i < count; ++i) {
        if (mode == RunMode::Selected && !context.photos.selected(i))
            continue;
        if (!run.treat(context.photos.name(i)))
            return run.end();
    }
    context.photos.refresh();
    return RunEnd::Completed;
}

} // namespace naming
