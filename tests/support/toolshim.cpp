// Takes the place of a stand-in in a test's tool folder, by the name it is copied to:
//  - diskpart: appends "===" and the script it was given to $TESSALINE_SHIM_LOG, then runs the real one;
//  - fat32format.exe while $TESSALINE_SHIM_SILENCE_MS is set: says nothing for that long, prints
//    $TESSALINE_SHIM_PROMPT (\r and \n as escapes) and, a second later, Done; what it reads meanwhile
//    goes to $TESSALINE_SHIM_LOG.answers;
//  - anything else: runs the real tool of its name from $TESSALINE_STANDIN_DIR.
// No Qt and, on Windows, no runtime DLLs: a copy runs from any folder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

std::string env(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

int runReal(const std::string &name, char **argv)
{
    std::string real = env("TESSALINE_STANDIN_DIR") + '/' + name;
#ifdef _WIN32
    if (real.size() < 4 || real.compare(real.size() - 4, 4, ".exe") != 0)
        real += ".exe";
    argv[0] = real.data(); // the C runtime joins the arguments unquoted: none here holds a space
    return int(_spawnv(_P_WAIT, real.c_str(), argv));
#else
    argv[0] = real.data();
    execv(real.c_str(), argv);
    return 127;
#endif
}

[[noreturn]] void scriptedFormatter()
{
    const int slowdown = std::max(1, std::atoi(env("TESSALINE_TEST_SLOWDOWN").c_str()));
    std::FILE *answers = std::fopen((env("TESSALINE_SHIM_LOG") + ".answers").c_str(), "ab");
    std::thread([answers] { // answers may come at any time, blind ones before the prompt
        for (int c; (c = std::getchar()) != EOF;)
            if (std::fputc(c, answers) == '\n')
                std::fflush(answers);
    }).detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(env("TESSALINE_SHIM_SILENCE_MS").c_str())));
    std::string prompt = env("TESSALINE_SHIM_PROMPT");
    for (const auto &[escape, c] : {std::pair{"\\r", '\r'}, {"\\n", '\n'}})
        for (std::size_t at; (at = prompt.find(escape)) != std::string::npos;)
            prompt.replace(at, 2, 1, c);
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000 * slowdown));
    std::fputs("Done\n", stdout);
    std::fflush(stdout);
    std::_Exit(0); // the reader may still wait for input
}

} // namespace

int main(int argc, char **argv)
{
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY); // the answers' \r\n as they came
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::string name = argv[0];
    name = name.substr(name.find_last_of("/\\") + 1);
    if (name.rfind("diskpart", 0) == 0) {
        std::ofstream log(env("TESSALINE_SHIM_LOG"), std::ios::binary | std::ios::app);
        log << "===\n";
        if (argc > 2) // diskpart /s script
            log << std::ifstream(argv[2], std::ios::binary).rdbuf();
    } else if (name.rfind("fat32format", 0) == 0 && std::getenv("TESSALINE_SHIM_SILENCE_MS")) {
        scriptedFormatter();
    }
    return runReal(name, argv);
}
