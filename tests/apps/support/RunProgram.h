#pragma once
#include <string>
#include <vector>

// Runs a program to completion and collects its exit code and output (stderr folded into `output`).
struct ProgramResult {
    int exitCode = -1;
    std::string output;
};

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// A fresh directory below the system's temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return m_Path; }

private:
    std::string m_Path;
};
