#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The simulated Mac's command-line tools. Each gets the simulated root it
// belongs to and its arguments (without the program name), writes to the
// process's standard output and error and returns the exit status.
int runOsascript(const std::filesystem::path& root, const std::vector<std::string>& arguments);
int runInstaller(const std::filesystem::path& root, const std::vector<std::string>& arguments);
int runPkgutil(const std::filesystem::path& root, const std::vector<std::string>& arguments);
int runRm(const std::filesystem::path& root, const std::vector<std::string>& arguments);
int runMktemp(const std::filesystem::path& root, const std::vector<std::string>& arguments);
int runCp(const std::filesystem::path& root, const std::vector<std::string>& arguments);
int runShasum(const std::filesystem::path& root, const std::vector<std::string>& arguments);

// Runs `program` with `arguments` (argv[0] included) and waits for it. With
// `errorText`, the child's standard error is collected there instead of
// passed through. Returns the exit status, 128 + the signal when the child
// was killed, or 127 when it could not be started.
int runAndWait(const std::string& program, const std::vector<std::string>& arguments,
               std::string* errorText = nullptr);
