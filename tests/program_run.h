#pragma once
// Runs one of the suite's programs as a user would, from a test: in a given
// folder, under a French locale, with its settings store in a folder of the
// test's, its output and errors captured.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace program_run {

struct Result {
    int rc = -1;  // exit code, or 128 + signal
    std::string out;
    std::string err;
};

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A started program; wait() collects it.
class Process {
  public:
    // `stdout_path` empty: the output goes to a capture file beside the errors.
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::filesystem::path& folder, const std::filesystem::path& config,
            const std::filesystem::path& capture, const std::string& stdout_path = {})
        : capture_(capture) {
        std::filesystem::create_directories(capture);
        pid_ = fork();
        if (pid_ != 0) {
            return;
        }
        const std::string out = stdout_path.empty() ? (capture / "out").string() : stdout_path;
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open((capture / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 || chdir(folder.c_str()) != 0) {
            _exit(127);
        }
        setenv("LC_ALL", "fr_FR.UTF-8", 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }

    pid_t pid() const { return pid_; }

    Result wait() {
        Result r;
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) {
            r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        r.out = slurp(capture_ / "out");
        r.err = slurp(capture_ / "err");
        return r;
    }

  private:
    std::filesystem::path capture_;
    pid_t pid_ = -1;
};

inline Result run(const std::string& program, const std::vector<std::string>& args,
                  const std::filesystem::path& folder, const std::filesystem::path& config,
                  const std::filesystem::path& capture, const std::string& stdout_path = {}) {
    return Process(program, args, folder, config, capture, stdout_path).wait();
}

// The names of the files in a folder.
inline std::vector<std::string> names_in(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace program_run
