// Starting the measured program as a child process, and the figures every benchmark prints.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace kvbench {

// Starts args[0] with args, standard output to outputPath and standard error to errorPath
// when given; 0, with a message, when it cannot be started.
pid_t Spawn(const std::vector<std::string>& args, const std::string& outputPath, const std::string& errorPath);

// User plus system time.
double CpuSeconds(const rusage& usage);

// The exit status, or -1 when the program did not exit normally.
int ExitStatus(int status);

// 0 for no values.
double Median(std::vector<double> values);

}  // namespace kvbench
