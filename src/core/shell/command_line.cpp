#include "shell/command_line.h"

namespace vorsan {

std::string_view fileExtension(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    const auto name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

PendingFileKind pendingFileKind(std::string_view path) {
    const auto ext = fileExtension(path);
    if (ext == ".vr4" || ext == ".VR4" || ext == ".pr") return PendingFileKind::Journal;
    if (ext == ".us4" || ext == ".ust") return PendingFileKind::Settings;
    if (ext == ".VBD") return PendingFileKind::Well;
    return PendingFileKind::None;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    bool optionsEnded = false;
    auto addWord = [&](const std::string& word) {
        if (!result.file.empty()) result.file += ' ';
        result.file += word;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            addWord(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--port") {
            if (i + 1 < args.size() && !args[i + 1].empty()) {
                result.portDevice = args[++i];
            } else {
                result.error = "--port needs a device";
                if (i + 1 < args.size()) ++i;
            }
        } else if (arg.starts_with("--port=")) {
            result.portDevice = arg.substr(7);
            if (result.portDevice.empty()) result.error = "--port needs a device";
        } else {
            result.unknownOptions.push_back(arg);
        }
    }
    result.fileKind = pendingFileKind(result.file);
    return result;
}

} // namespace vorsan
