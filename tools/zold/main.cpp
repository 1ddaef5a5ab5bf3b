// zold: reads its options, starts the service and turns signals into reloads and the stop.

#include "Log.h"
#include "Notify.h"
#include "Options.h"
#include "Service.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const zold::OptionsResult options = zold::ParseOptions(arguments);
    if (options.status == zold::OptionsStatus::Help) {
        std::fputs(options.text.c_str(), stdout);
        return 0;
    }
    if (options.status == zold::OptionsStatus::Usage) {
        std::fprintf(stderr, "zold: %s\n", options.text.c_str());
        return 2;
    }
    // Blocked before any thread starts, so that every thread inherits the mask and only sigwait below
    // takes them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A client that goes away mid-reply must not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    zold::Service service(options.config);
    std::string error;
    if (!service.Start(&error)) {
        zold::Log(zold::LogLevel::Error, error);
        return 1;
    }
    zold::NotifyReady();
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) {
            continue;
        }
        if (signal == SIGHUP) {
            zold::NotifyReloading();
            // The config file is read again too; when it no longer reads, the files it named before are.
            const zold::OptionsResult again = zold::ParseOptions(arguments);
            if (again.status != zold::OptionsStatus::Run) {
                zold::Log(zold::LogLevel::Error,
                          "the options no longer read, reloading with the old ones: " + again.text);
            }
            if (!service.Reload(&error, again.status == zold::OptionsStatus::Run ? &again.config : nullptr)) {
                zold::NotifyStatus("reload failed; serving the previous inventory");
            }
            zold::NotifyReady();
            continue;
        }
        zold::NotifyStopping();
        service.Stop();
        return 0;
    }
}
