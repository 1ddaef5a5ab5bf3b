// The extended helper's file download: the display is asked over the command port, then the file comes
// over TLS on port 2020 and is written read by read, each read as a text with a line end.
#include "CommunicationHelperExtended.h"
#include "LFDData.h"
#include "ZOLConnection.h"
#include "tls_test_peer.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct HelperRelease {
    void operator()(ICommunicationHelperExtended* helper) const { helper->Release(); }
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class TlsDownload : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("zol-download-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        output = folder / "display.txt";
    }
    void TearDown() override {
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
        fs::remove_all(folder);
    }

    // A display on `address` that answers commands on 1515 and (when asked) serves files on 2020.
    void StartDisplay(const std::string& at, bool fileServer) {
        address = at;
        sim.AddDisplay(1);
        sim.SetGreeting(zolsim::kPlainGreeting);
        ASSERT_TRUE(sim.StartTcp(address));
        if (fileServer) {
            ASSERT_TRUE(sim.StartFileServer(address));
        }
    }

    bool Download(const fs::path& path) {
        CLFDData record;
        record.SetAddress(address);
        record.SetConnectionKind(1);
        record.SetDisplayId(1);
        std::unique_ptr<ICommunicationHelperExtended, HelperRelease> helper(
            ICommunicationHelperExtendedFactory::CreateInstance(&record));
        return helper && helper->DownloadFileOverTls(path.wstring());
    }

    // The 0xD0 requests the display saw, as their data bytes.
    std::vector<std::vector<unsigned char>> D0Requests() const {
        std::vector<std::vector<unsigned char>> seen;
        for (const zolsim::Request& request : sim.Requests()) {
            if (request.code == 0xD0)
                seen.push_back(request.data);
        }
        return seen;
    }

    zolsim::Simulator sim;
    std::string address;
    fs::path folder;
    fs::path output;
};

struct FileRow {
    const char* name;
    std::string served;
    std::string written;
};

TEST_F(TlsDownload, TheFileHoldsEachReadAsATextFollowedByALineEnd) {
    const std::string large(10000, 'x');
    const std::vector<FileRow> rows = {
        {"one short read", "first line\nsecond line", "first line\nsecond line\n"},
        {"a zero byte ends that read's text", std::string("abc\0def", 7), "abc\n"},
        {"reads of at most 4095 bytes", large,
         std::string(4095, 'x') + "\n" + std::string(4095, 'x') + "\n" + std::string(1810, 'x') + "\n"},
    };
    StartDisplay("127.0.9.40", true);
    for (const FileRow& row : rows) {
        SCOPED_TRACE(row.name);
        sim.ClearLog();
        sim.SetServedFile(row.served);
        ASSERT_TRUE(Download(output));
        EXPECT_EQ(ReadFile(output), row.written);
        const std::vector<std::vector<unsigned char>> expected = {{0x71, 0x00, 0x00}, {0x71, 0x00, 0x01}};
        EXPECT_EQ(D0Requests(), expected);
    }
    EXPECT_EQ(sim.FileDownloads(), 3);
}

TEST_F(TlsDownload, AnOldDisplayThatOnlySpeaksTls10IsServed) {
    StartDisplay("127.0.9.41", false);
    tlstest::OldTlsServer files("127.0.9.41", 2020, zolsim::TlsCredentials::Generate({.selfSigned = true}),
                                TLS1_VERSION, "", "old display");
    ASSERT_TRUE(files.Listening());
    EXPECT_TRUE(Download(output));
    EXPECT_TRUE(files.HandshakeDone());
    EXPECT_EQ(ReadFile(output), "old display\n");
}

struct FailureRow {
    const char* name;
    bool refuseD0;
    bool fileServer;
    bool badPath;
};

TEST_F(TlsDownload, FailuresReportFalseAndLeaveAnExistingFileAlone) {
    const std::vector<FailureRow> rows = {
        {"the display refuses 0xD0", true, true, false},
        {"nothing listens on 2020", false, false, false},
        {"the output file can not be opened", false, true, true},
    };
    unsigned host = 42;
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        zolsim::Simulator display;
        const std::string at = "127.0.9." + std::to_string(host++);
        display.AddDisplay(1);
        display.SetGreeting(zolsim::kPlainGreeting);
        display.SetServedFile("served");
        ASSERT_TRUE(display.StartTcp(at));
        if (row.fileServer) {
            ASSERT_TRUE(display.StartFileServer(at));
        }
        if (row.refuseD0) {
            zolsim::Fault nak;
            nak.kind = zolsim::FaultKind::Nak;
            nak.onlyCode = 0xD0;
            nak.times = 20; // every retry is refused too
            display.InjectFault(nak);
        }
        {
            std::ofstream previous(output, std::ios::trunc);
            previous << "kept";
        }
        address = at;
        const fs::path path = row.badPath ? folder / "missing" / "display.txt" : output;
        EXPECT_FALSE(Download(path));
        EXPECT_EQ(ReadFile(output), "kept");
        if (!row.badPath) {
            EXPECT_EQ(display.FileDownloads(), 0);
        }
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(at);
    }
}

} // namespace
