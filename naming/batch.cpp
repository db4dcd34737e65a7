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
    Run(std::string_view birthday, const RunContext& context) : birthday_(birthday), c_(context) {}

    // Treats one photo; false when the run must end.
    bool treat(const std::string& oldName) {
        // The photo is read, and its new name found, where it is: only a photo that is
        // going to get its new name moves aside. A run cut short (a crash, a kill) can
        // then leave under the temporary name only a photo the next run names in place,
        // never one that would stay there, its old name forgotten, blocking every run.
        const std::optional<std::string> shot = c_.times.shootingTime(oldName);
        if (!shot)
            return keep(oldName, Message::MetadataMissing);
        if (shot->empty() || isUnknownShootingTime(*shot))
            return keep(oldName);

        const std::optional<AgeStamp> stamp = ageStamp(birthday_, *shot);
        if (!stamp)
            return keep(oldName, Message::BadBirthday);
        if (!clockFitsFileName(*shot))
            return keep(oldName);

        // Once the photo is aside its old name is free, so that name is not taken.
        const auto taken = [&](const std::string& name) {
            return name != oldName && c_.folder.exists(name);
        };
        const std::string base = baseName(*stamp);
        const std::optional<std::string> letter = collisionLetter(base, taken);
        if (!letter)
            return keep(oldName); // the plain name and every letter are taken
        const std::string newName = photoName(base, *letter);
        if (newName == oldName)
            return keep(oldName); // named by an earlier run: nothing to move

        // A photo left under the temporary name by an interrupted run is named in place.
        if (oldName != temporaryName && c_.folder.rename(oldName, temporaryName))
            return keep(oldName);
        if (c_.folder.rename(temporaryName, newName))
            return giveBack(oldName);
        report(oldName, newName);
        return true;
    }

    RunEnd end() const { return end_; }

private:
    // The photo stays under its old name; with a message, the run ends.
    bool keep(const std::string& oldName, std::optional<Message> message = std::nullopt) {
        report(oldName, oldName);
        if (!message)
            return true;
        c_.errors.show(*message);
        end_ = *message == Message::BadBirthday ? RunEnd::BadBirthday : RunEnd::MetadataMissing;
        return false;
    }

    // Moves the photo back to its old name after its new name was taken at the last
    // moment. Where that fails too it stays under the temporary name, which no later
    // rename of this run can take over.
    bool giveBack(const std::string& oldName) {
        if (oldName == temporaryName || !c_.folder.rename(temporaryName, oldName))
            report(oldName, oldName);
        else
            report(oldName, temporaryName);
        return true;
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
