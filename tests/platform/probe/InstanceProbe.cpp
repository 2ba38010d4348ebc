// A small stand-in for harvex's start-up, for the single-instance tests:
//   InstanceProbe first <connections>   be the first instance, print what arrives
//   InstanceProbe hold                  take the lock but never listen (until stdin closes)
//   InstanceProbe second <args...>      start like harvex with these arguments
// Lines printed by "first": READY, then per hand-over "ARGS <n>" and "ARG <hex>"
// for each piece, and "SHOW" per show request.

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "platform/CCustomCommandLineInfo.h"
#include "platform/CSingleInstance.h"

namespace {

void PrintHex(const std::string& text) {
    std::printf("ARG ");
    for (unsigned char c : text)
        std::printf("%02x", c);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    CSingleInstance instance;
    if (mode == "first") {
        if (!instance.Acquire() || !instance.Listen())
            return 5;
        std::printf("READY\n");
        std::fflush(stdout);
        int connections = argc > 2 ? std::atoi(argv[2]) : 1;
        CSingleInstance::CHandler handler;
        handler.onHandOver = [](const std::vector<std::string>& pieces) {
            std::printf("ARGS %zu\n", pieces.size());
            for (const auto& p : pieces)
                PrintHex(p);
            std::fflush(stdout);
        };
        handler.onShow = [] {
            std::printf("SHOW\n");
            std::fflush(stdout);
        };
        while (connections > 0) {
            if (instance.ServeOne(handler, 20000))
                --connections;
            else
                return 6;
        }
        std::printf("DONE\n");
        return 0;
    }
    if (mode == "hold") {
        if (!instance.Acquire())
            return 5;
        std::printf("READY\n");
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        return 0;
    }
    if (mode == "second") {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd))
            return 2;
        CCustomCommandLineInfo info;
        info.ParseCommandLine(argc - 1, argv + 1, cwd);
        if (instance.Acquire()) {
            std::printf("FIRST\n");
            return 5;
        }
        switch (
            CSingleInstance::ForwardToRunningInstance(info.arrParams, HasPresetArgument(info.arrParams))) {
            case CSingleInstance::EForward::DELIVERED:
                return 0;
            case CSingleInstance::EForward::NO_INSTANCE:
                return 3;
            case CSingleInstance::EForward::REFUSED:
                return 4;
        }
    }
    return 2;
}
