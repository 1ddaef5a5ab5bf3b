#include "Options.h"

#include "ZOLVersion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace zold {

namespace {

struct Given {
    std::string configFile;
    std::string inventory;
    std::string listen;
    std::string tokenFile;
    std::string tlsCert;
    std::string tlsKey;
    double interval = 0;
};

// The command line over the file: what was typed replaces what the file says.
std::string Merge(const Given& given, CLI::App& app, ServiceConfig& config) {
    if (!given.configFile.empty()) {
        std::string error;
        if (!LoadConfigFile(given.configFile, config, &error)) {
            return error;
        }
    }
    if (!given.inventory.empty()) {
        config.inventory = given.inventory;
    }
    if (!given.listen.empty() && !ParseListen(given.listen, &config.listenHost, &config.listenPort, true)) {
        return "--listen must be ADDRESS:PORT, not \"" + given.listen + "\"";
    }
    if (!given.tokenFile.empty()) {
        config.tokenFile = given.tokenFile;
    }
    if (!given.tlsCert.empty()) {
        config.tlsCert = given.tlsCert;
    }
    if (!given.tlsKey.empty()) {
        config.tlsKey = given.tlsKey;
    }
    if (config.tlsCert.empty() != config.tlsKey.empty()) {
        return "--tls-cert and --tls-key go together";
    }
    if (app.count("--interval") > 0) {
        constexpr double kShortest = 0.05;
        constexpr double kLongest = 7.0 * 24 * 3600;
        if (!std::isfinite(given.interval) || given.interval < kShortest || given.interval > kLongest) {
            return "--interval must be a number of seconds from 0.05 to 604800";
        }
        config.interval = std::chrono::milliseconds(std::llround(given.interval * 1000));
    }
    return {};
}

} // namespace

OptionsResult ParseOptions(const std::vector<std::string>& arguments) {
    OptionsResult result;
    Given given;
    CLI::App app{"zold: the wall service. Polls every display of the inventory and serves their state,\n"
                 "their operations, metrics and a web page over HTTP.",
                 "zold"};
    app.footer("SIGHUP reads the options, the config file, the inventory and the token file again;\n"
               "SIGTERM and SIGINT stop the service.\n"
               "Requests that change a display need \"Authorization: Bearer TOKEN\"; docs/zold.md.");
    app.add_option("--config", given.configFile, "TOML file with [service] and [groups.NAME] settings")
        ->type_name("FILE");
    app.add_option("--inventory", given.inventory, "the inventory of displays (TOML, as zolctl reads it)")
        ->type_name("FILE");
    app.add_option("--listen", given.listen, "address and port to serve on (default 127.0.0.1:8515)")
        ->type_name("ADDR:PORT");
    app.add_option("--token-file", given.tokenFile, "file holding the bearer token for changing requests")
        ->type_name("FILE");
    CLI::Option* cert =
        app.add_option("--tls-cert", given.tlsCert, "PEM certificate: serve HTTPS")->type_name("FILE");
    CLI::Option* key =
        app.add_option("--tls-key", given.tlsKey, "PEM private key of --tls-cert")->type_name("FILE");
    cert->needs(key);
    key->needs(cert);
    app.add_option("--interval", given.interval, "seconds between polls of a display (default 10)")
        ->type_name("SECONDS");
    // zold is released with the library: their versions are one.
    app.set_version_flag("--version", std::string("zold ") + ZOLGetLibraryVersion(),
                         "print zold's version and exit");

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
        result.text = Merge(given, app, result.config);
        result.configFile = given.configFile;
        result.status = result.text.empty() ? OptionsStatus::Run : OptionsStatus::Usage;
    } catch (const CLI::CallForHelp& help) {
        std::ostringstream out;
        std::ostringstream err;
        app.exit(help, out, err);
        result.status = OptionsStatus::Help;
        result.text = out.str();
    } catch (const CLI::CallForVersion& version) {
        result.status = OptionsStatus::Help;
        result.text = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& error) {
        result.status = OptionsStatus::Usage;
        result.text = error.what();
    }
    return result;
}

} // namespace zold
