#include "app/MarkActions.h"

namespace lumora {

namespace {

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

CMarkActions::Outcome CMarkActions::apply(const std::vector<MarkTarget>& targets,
                                          const MarkChange& change, SidecarNaming naming) {
    Outcome out;
    std::vector<Entry> step;
    for (const MarkTarget& t : targets) {
        const std::string previousSidecar = FindSidecarOnDisk(t.path);
        const SidecarWrite w = ChangeSidecarMarks(t.path, change, t.marks, naming);
        if (!w.ok) {
            out.failures << QString::fromStdString(w.message);
            continue;
        }
        ++out.changed;
        if (!w.unchanged)
            step.push_back({t.path, w.before, t.marks, previousSidecar});
        if (store_)
            store_(t.path, w.marks, fileNameOf(w.sidecarPath));
    }
    if (!step.empty()) {
        steps_.push_back(std::move(step));
        if (steps_.size() > kMaxSteps)
            steps_.erase(steps_.begin());
    }
    return out;
}

CMarkActions::Outcome CMarkActions::undo() {
    Outcome out;
    if (steps_.empty())
        return out;
    std::vector<Entry> step = std::move(steps_.back());
    steps_.pop_back();
    // Newest first, so a file written twice in one step ends as it began.
    for (auto it = step.rbegin(); it != step.rend(); ++it) {
        const SidecarWrite w = RestoreSidecar(it->before);
        if (!w.ok) {
            out.failures << QString::fromStdString(w.message);
            continue;
        }
        ++out.changed;
        if (store_)
            store_(it->path, it->previous, it->previousSidecar);
    }
    return out;
}

QString markFailureText(const QStringList& failures) {
    constexpr int kShown = 5;
    QStringList shown = failures.mid(0, kShown);
    QString text = shown.join(QStringLiteral("\n\n"));
    if (failures.size() > kShown)
        text += QStringLiteral("\n\nほか %1 個のファイルにも書き込めませんでした。")
                    .arg(failures.size() - kShown);
    return text;
}

} // namespace lumora
