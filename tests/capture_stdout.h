// Runs a callable with standard output sent to a temporary file and
// returns every byte it wrote.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

template <typename Body>
std::string CaptureStdout(Body body)
{
    std::fflush(stdout);
    std::FILE* sink = std::tmpfile();
    const int savedStdout = dup(STDOUT_FILENO);
    dup2(fileno(sink), STDOUT_FILENO);

    body();

    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);

    std::string bytes;
    std::rewind(sink);
    for (int c = std::fgetc(sink); c != EOF; c = std::fgetc(sink)) {
        bytes.push_back(static_cast<char>(c));
    }
    std::fclose(sink);
    return bytes;
}
