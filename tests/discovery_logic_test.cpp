// Tests of discovery's platform-free rules: strings, hub pairing, device IDs, the choice and its messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fakes/recording_close.h"
#include "usb_enumeration_ids.h"
#include "watchman_discovery.h"

namespace vesko {
namespace {

const std::string kEmDash = "\xE2\x80\x94";
const std::string kTag = "  [shares hub with Dozero MCU]";
const WideString kUntouched = u"(untouched)";

std::string refusal(std::size_t units, std::size_t paired, bool mcuOnBus) {
    return "TundraImu: cannot pick among " + std::to_string(units) + " Watchman device(s) (" +
           std::to_string(paired) + " MCU-paired" + (mcuOnBus ? "" : ", no Dozero MCU on the bus") + ") " +
           kEmDash + " is the Dozero attached? Or pass its LHR serial:\n";
}

std::string countLine(std::size_t units, std::size_t paired) {
    return "TundraImu: " + std::to_string(units) + " Watchman device(s), " + std::to_string(paired) +
           " MCU-paired\n";
}

// A FILE* whose text can be read back after the code under test wrote to it.
class CapturedFile {
public:
    CapturedFile() : file_(std::tmpfile()) {}
    ~CapturedFile() {
        if (file_ != nullptr) std::fclose(file_);
    }
    CapturedFile(const CapturedFile&) = delete;
    CapturedFile& operator=(const CapturedFile&) = delete;
    std::FILE* get() const { return file_; }
    std::string text() const {
        std::fflush(file_);
        std::rewind(file_);
        std::string all;
        for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) all.push_back(static_cast<char>(c));
        return all;
    }

private:
    std::FILE* file_;
};

struct Outcome {
    DeviceHandle handle = kNoDevice;
    WideString chosen;
    std::vector<DeviceHandle> closed;
    std::string out;
    std::string err;
};

WatchmanEnumeration units(std::vector<WatchmanCandidate> candidates, bool mcuOnBus = true) {
    WatchmanEnumeration found;
    found.candidates = std::move(candidates);
    if (mcuOnBus) found.mcuPaths.push_back(u"PCIROOT(0)#USBROOT(0)#USB(1)#USB(4)");
    return found;
}

Outcome choose(WatchmanEnumeration found, const WideString& filter, bool verbose = true) {
    CapturedFile out;
    CapturedFile err;
    EXPECT_NE(out.get(), nullptr);
    EXPECT_NE(err.get(), nullptr);
    fake::closedHandles().clear();
    Outcome outcome;
    outcome.chosen = kUntouched;
    outcome.handle = chooseWatchman(found, filter, &outcome.chosen, verbose, out.get(), err.get());
    outcome.closed = fake::closedHandles();
    outcome.out = out.text();
    outcome.err = err.text();
    for (const WatchmanCandidate& c : found.candidates) EXPECT_EQ(c.handle, kNoDevice) << "list still owns a handle";
    return outcome;
}

using Handles = std::vector<DeviceHandle>;

TEST(DeviceStrings, SerialsCrossByteForByte) {
    EXPECT_EQ(widenSerial("LHR-7A3D19C4"), u"LHR-7A3D19C4");
    EXPECT_EQ(widenSerial("\xE9"), u"\u00E9") << "bytes above 0x7F must not sign-extend";
    EXPECT_EQ(narrowSerial(u"LHR-\u0141"), std::string("LHR-A")) << "each unit keeps its low byte";
    EXPECT_EQ(narrowSerial(widenSerial("a\xFFz")), "a\xFFz");
}

TEST(DeviceStrings, PrintableTextIsPrintableAsciiOnly) {
    EXPECT_EQ(toPrintable(u"LHR-1 ~"), L"LHR-1 ~");
    EXPECT_EQ(toPrintable(u"a\x1B[2Jb\r\x7F"), L"a?[2Jb??");
    EXPECT_EQ(toPrintable(u"\u00E9\u4E2D\xD800"), L"???");
}

TEST(HubPaths, PrefixesAreOwnHubThenTheHubAbove) {
    using List = std::vector<WideString>;
    EXPECT_EQ(hubPrefixes(u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)#USB(2)"),
              (List{u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)", u"PCIROOT(0)#PCI(1400)#USBROOT(0)"}));
    EXPECT_EQ(hubPrefixes(u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)"), (List{u"PCIROOT(0)#PCI(1400)#USBROOT(0)"}));
    EXPECT_EQ(hubPrefixes(u"R#USB(1)#USB(2)#USB(3)#USB(4)"), (List{u"R#USB(1)#USB(2)#USB(3)", u"R#USB(1)#USB(2)"}));
    EXPECT_TRUE(hubPrefixes(u"PCIROOT(0)#PCI(1400)#USBROOT(0)").empty());
    EXPECT_TRUE(hubPrefixes(u"ACPI(_SB_)#USBMI(0)#usb(1)").empty()) << "the level marker is case-sensitive";
    EXPECT_TRUE(hubPrefixes(u"").empty());
}

TEST(HubPaths, SharingAHubCoversEveryPairingRelation) {
    const WideString root = u"PCIROOT(0)#PCI(1400)#USBROOT(0)";
    const WideString hubH = root + u"#USB(1)";
    struct Case { WideString a, b; bool pairs; const char* what; };
    const Case cases[] = {
        {hubH + u"#USB(2)", hubH + u"#USB(3)", true, "same hub"},
        {hubH + u"#USB(2)", hubH + u"#USB(4)#USB(1)", true, "hub H and a hub plugged into H"},
        {hubH + u"#USB(2)#USB(1)", hubH + u"#USB(3)#USB(2)", true, "two hubs on one common hub"},
        {root + u"#USB(4)", hubH + u"#USB(2)", true, "root port and a device on a hub of that root"},
        {root + u"#USB(4)", root + u"#USB(5)", true, "two root ports of one root hub"},
        {hubH + u"#USB(2)#USB(1)#USB(1)", hubH + u"#USB(3)", false, "three levels apart"},
        {hubH + u"#USB(2)", u"PCIROOT(0)#PCI(1401)#USBROOT(0)#USB(1)#USB(2)", false, "another controller"},
        {hubH + u"#USB(2)", root, false, "a path without #USB("},
        {u"", hubH + u"#USB(2)", false, "empty first path"},
        {hubH + u"#USB(2)", u"", false, "empty second path"},
        {u"", u"", false, "two empty paths"},
        {hubH + u"#USB(2)", u"pciroot(0)#pci(1400)#usbroot(0)#USB(1)#USB(3)", false, "prefixes compare case-sensitively"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sharesHub(c.a, c.b), c.pairs) << c.what;
        EXPECT_EQ(sharesHub(c.b, c.a), c.pairs) << c.what << " (swapped)";
    }
}

TEST(DeviceIds, InterfaceTagMatchesInAnyCaseAnywhere) {
    EXPECT_TRUE(isMi00Path(u"\\\\?\\hid#vid_28de&pid_2300&mi_00#7&1a2b&0&0000#{4d1e55b2-f16f-11cf}"));
    EXPECT_TRUE(isMi00Path(u"\\\\?\\HID#VID_28DE&PID_2300&MI_00#7&1A2B&0&0000"));
    EXPECT_TRUE(isMi00Path(u"x&Mi_00"));
    EXPECT_FALSE(isMi00Path(u"\\\\?\\hid#vid_28de&pid_2300&mi_01#7&1a2b&0&0000"));
    EXPECT_FALSE(isMi00Path(u"\\\\?\\hid#vid_28de&pid_2300#mi_00"));
}

TEST(DeviceIds, RootWalkAcceptsOnlyTheWholeUsbDevice) {
    const WideString prefix = u"USB\\VID_28DE&PID_2300\\";
    EXPECT_TRUE(isUsbRootId(u"USB\\VID_28DE&PID_2300\\LHR-1", prefix));
    EXPECT_TRUE(isUsbRootId(u"usb\\vid_28de&pid_2300\\6&abc&0&2", prefix)) << "IDs are raised first";
    EXPECT_FALSE(isUsbRootId(u"USB\\VID_28DE&PID_2300&MI_00\\7&1&0&0000", prefix)) << "one interface";
    EXPECT_FALSE(isUsbRootId(u"HID\\VID_28DE&PID_2300&MI_00\\8&2&0&0000", prefix));
    EXPECT_FALSE(isUsbRootId(u"USB\\VID_28DE&PID_2301\\LHR-1", prefix));
    EXPECT_FALSE(isUsbRootId(u"X\\USB\\VID_28DE&PID_2300\\LHR-1", prefix)) << "the prefix must start the ID";
    EXPECT_TRUE(isInterfaceChildId(u"usb\\vid_35bd&pid_0101&mi_02\\7&1"));
    EXPECT_FALSE(isInterfaceChildId(u"USB\\VID_35BD&PID_0101\\5&2C"));
}

// sysfs names a unit by hex attribute texts; anything but the whole number is no match.
TEST(SysfsIds, IdentitiesAreWholeHexNumbersAndPathsTakeThePlatformsForm) {
    EXPECT_TRUE(isSysfsUsbProduct("28de", "2300", kWatchmanVendorId, kWatchmanProductId));
    EXPECT_TRUE(isSysfsUsbProduct("28DE", "2300", kWatchmanVendorId, kWatchmanProductId));
    EXPECT_TRUE(isSysfsUsbProduct("35bd", "0101", kDozeroMcuVendorId, kDozeroMcuProductId));
    EXPECT_FALSE(isSysfsUsbProduct("28de", "2301", kWatchmanVendorId, kWatchmanProductId));
    EXPECT_FALSE(isSysfsUsbProduct("35bd", "0101", kWatchmanVendorId, kWatchmanProductId));
    for (const char* vendor : {"", "28de\n", "0x28de", "128de", "-28de", "28de "}) {
        EXPECT_FALSE(isSysfsUsbProduct(vendor, "2300", kWatchmanVendorId, kWatchmanProductId)) << vendor;
    }
    EXPECT_TRUE(isSysfsFirstInterface("00"));
    for (const char* other : {"01", "0a", "", "000x", "100"}) EXPECT_FALSE(isSysfsFirstInterface(other)) << other;

    const BusRoot lone{"usb1", 0, std::nullopt};
    EXPECT_EQ(usbLocationPath(lone, "2.3"), u"USBROOT(usb1)#USB(2)#USB(3)");
    EXPECT_EQ(usbLocationPath(lone, "0"), u"USBROOT(usb1)") << "a root hub has no port";
    for (const char* devpath : {"", "x", "2..3", "2.3.", "2\n", "0.1", "256"}) {
        EXPECT_EQ(usbLocationPath(lone, devpath), u"") << '"' << devpath << '"';
    }
    EXPECT_EQ(usbLocationPath(BusRoot{}, "2"), u"") << "an unplaced bus";
    // Pairing reads sysfs paths as it reads the platform's.
    const BusRoot other{"usb2", 0, std::nullopt};
    EXPECT_TRUE(sharesHub(usbLocationPath(lone, "2.3"), usbLocationPath(lone, "2.4")));
    EXPECT_TRUE(sharesHub(usbLocationPath(lone, "2.3"), usbLocationPath(lone, "2.1.4")));
    EXPECT_TRUE(sharesHub(usbLocationPath(lone, "2.3.1"), usbLocationPath(lone, "2.4.2")));
    EXPECT_FALSE(sharesHub(usbLocationPath(lone, "2.3"), usbLocationPath(other, "2.4")));
    EXPECT_FALSE(sharesHub(usbLocationPath(lone, "2.3.1.1"), usbLocationPath(lone, "2.4")));
}

// The two buses of one controller share its root and number their ports in one
// range; a bus that cannot be numbered safely gets no location at all.
TEST(SysfsIds, BusesOfOneControllerShareTheRootWithoutSharingPorts) {
    const auto roots = busRoots({{"10", "0000:00:14.0", "4"},
                                 {"2", "0000:00:14.0", "12"},
                                 {"3", "0000:03:00.0", "2"},
                                 {"4", "0000:03:00.0", ""},
                                 {"5", "0000:03:00.0", "4"},
                                 {"6", "bad#USB(1)", "4"},
                                 {"x", "0000:05:00.0", "4"}});
    ASSERT_EQ(roots.count("6") + roots.count("x"), 0u);
    const auto path = [&](const char* bus, const char* devpath) { return usbLocationPath(roots.at(bus), devpath); };
    EXPECT_EQ(path("2", "12"), u"USBROOT(0000:00:14.0)#USB(12)");
    EXPECT_EQ(path("10", "1.3"), u"USBROOT(0000:00:14.0)#USB(13)#USB(3)") << "busnum order, not text order";
    EXPECT_EQ(path("10", "5"), u"") << "past the root hub's ports";
    EXPECT_EQ(path("2", "13"), u"") << "would be port 1 of the next bus";
    EXPECT_EQ(path("4", "7"), u"USBROOT(0000:03:00.0)#USB(9)") << "the last bus that can be placed is unbounded";
    EXPECT_EQ(path("5", "1"), u"") << "follows a bus of unknown size";

    EXPECT_TRUE(sharesHub(path("2", "2"), path("10", "3"))) << "both on the controller's root";
    EXPECT_TRUE(sharesHub(path("2", "2.1"), path("10", "2.1"))) << "under the two halves of one hub";
    EXPECT_FALSE(sharesHub(path("2", "2.1.1"), path("10", "2.3"))) << "one hub half is not the other";
    EXPECT_FALSE(sharesHub(path("2", "2"), path("3", "2"))) << "two controllers";
}

TEST(WatchmanChoice, NoUnitGivesOnlyTheCountLine) {
    const Outcome o = choose(units({}), u"");
    EXPECT_EQ(o.handle, kNoDevice);
    EXPECT_EQ(o.out, countLine(0, 0));
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.chosen, kUntouched);
}

TEST(WatchmanChoice, LoneUnpairedUnitIsRefused) {
    Outcome o = choose(units({{11, u"LHR-A", false}}, false), u"");
    EXPECT_EQ(o.handle, kNoDevice);
    EXPECT_EQ(o.out, countLine(1, 0));
    EXPECT_EQ(o.err, refusal(1, 0, false) + "  LHR-A\n");
    EXPECT_EQ(o.closed, Handles{11});
    EXPECT_EQ(o.chosen, kUntouched);

    o = choose(units({{11, u"LHR-A", false}}, true), u"");
    EXPECT_EQ(o.err, refusal(1, 0, true) + "  LHR-A\n") << "an MCU elsewhere drops the suffix";
}

TEST(WatchmanChoice, LonePairedUnitIsChosenQuietly) {
    const Outcome o = choose(units({{11, u"LHR-A", true}}), u"");
    EXPECT_EQ(o.handle, 11);
    EXPECT_EQ(o.chosen, u"LHR-A");
    EXPECT_EQ(o.out, countLine(1, 1));
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(o.closed.empty());
}

TEST(WatchmanChoice, ThePairedOneOfTwoIsChosenAndTheOtherClosed) {
    const Outcome o = choose(units({{11, u"LHR-A", false}, {12, u"LHR-B", true}}), u"");
    EXPECT_EQ(o.handle, 12);
    EXPECT_EQ(o.chosen, u"LHR-B");
    EXPECT_EQ(o.out, countLine(2, 1));
    EXPECT_EQ(o.closed, Handles{11});
}

TEST(WatchmanChoice, TwoPairedUnitsAreRefusedAndBothClosed) {
    const Outcome o = choose(units({{11, u"LHR-A", true}, {12, u"LHR-B", true}}), u"");
    EXPECT_EQ(o.handle, kNoDevice);
    EXPECT_EQ(o.out, countLine(2, 2));
    EXPECT_EQ(o.err, refusal(2, 2, true) + "  LHR-A" + kTag + "\n  LHR-B" + kTag + "\n");
    EXPECT_EQ(o.closed, (Handles{11, 12}));
    EXPECT_EQ(o.chosen, kUntouched);
}

TEST(WatchmanChoice, SerialFilterWinsOverPairingAndMatchesExactly) {
    const auto two = [] { return units({{11, u"LHR-A", true}, {12, u"LHR-B", false}}); };
    Outcome o = choose(two(), u"LHR-B");
    EXPECT_EQ(o.handle, 12);
    EXPECT_EQ(o.chosen, u"LHR-B");
    EXPECT_EQ(o.closed, Handles{11});
    EXPECT_EQ(o.err, "");

    for (const WideString filter : {u"lhr-b", u"LHR-", u"LHR-B ", u"LHR-BB"}) {
        o = choose(two(), filter);
        EXPECT_EQ(o.handle, kNoDevice) << narrowSerial(filter);
        EXPECT_EQ(o.closed, (Handles{11, 12}));
        EXPECT_EQ(o.err, refusal(2, 1, true) + "  LHR-A" + kTag + "\n  LHR-B\n");
    }
}

TEST(WatchmanChoice, EqualSerialsGoToTheFirstEnumerated) {
    const Outcome o = choose(units({{11, u"LHR-A", false}, {12, u"LHR-A", true}, {13, u"LHR-A", false}}), u"LHR-A");
    EXPECT_EQ(o.handle, 11);
    EXPECT_EQ(o.closed, (Handles{12, 13}));
}

TEST(WatchmanChoice, UnitWithoutSerialIsListedAsTwoBlanks) {
    const Outcome o = choose(units({{11, u"", false}, {12, u"", true}, {13, u"", true}}), u"");
    EXPECT_EQ(o.err, refusal(3, 2, true) + "  \n  " + kTag + "\n  " + kTag + "\n");
    EXPECT_EQ(choose(units({{11, u"", true}}), u"LHR-A").handle, kNoDevice);
}

TEST(WatchmanChoice, OddSerialsStillGiveWholeLines) {
    const Outcome o = choose(units({{11, u"LHR-\u00E9\x1B", true}, {12, u"LHR-\u4E2D", true}}), u"");
    EXPECT_EQ(o.err, refusal(2, 2, true) + "  LHR-??" + kTag + "\n  LHR-?" + kTag + "\n");
}

TEST(WatchmanChoice, QuietAndChosenlessCallsChooseTheSame) {
    const std::vector<std::pair<WatchmanEnumeration, WideString>> scenarios = {
        {units({}), u""},
        {units({{11, u"LHR-A", false}}, false), u""},
        {units({{11, u"LHR-A", false}, {12, u"LHR-B", true}}), u""},
        {units({{11, u"LHR-A", true}, {12, u"LHR-B", true}}), u""},
        {units({{11, u"LHR-A", true}, {12, u"LHR-A", false}}), u"LHR-A"},
    };
    for (const auto& [found, filter] : scenarios) {
        const Outcome loud = choose(found, filter, true);
        const Outcome quiet = choose(found, filter, false);
        EXPECT_EQ(quiet.handle, loud.handle);
        EXPECT_EQ(quiet.closed, loud.closed);
        EXPECT_EQ(quiet.chosen, loud.chosen);
        EXPECT_EQ(quiet.out + quiet.err, "");

        WatchmanEnumeration copy = found;
        fake::closedHandles().clear();
        CapturedFile sink;
        EXPECT_EQ(chooseWatchman(copy, filter, nullptr, true, sink.get(), sink.get()), loud.handle);
        EXPECT_EQ(fake::closedHandles(), loud.closed);
    }
}

// openWatchman over the fake backend: what the composition adds to the choice.
class OpenWatchman : public ::testing::Test {
protected:
    void TearDown() override { fake::scriptedEnumeration().reset(); }

    DeviceHandle open(bool verbose) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const DeviceHandle handle = openWatchman(u"", &chosen, verbose);
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
        return handle;
    }

    WideString chosen = kUntouched;
    std::string out;
    std::string err;
};

// The fake's failure is SetupDiGetClassDevsW's, error 13.
TEST_F(OpenWatchman, AFailedEnumerationIsNamedWhenVerboseAndFindsNoUnit) {
    EXPECT_EQ(open(true), kNoDevice);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "TundraImu: SetupDiGetClassDevsW failed (err 13)\n");
    EXPECT_EQ(chosen, kUntouched);
    EXPECT_EQ(open(false), kNoDevice);
    EXPECT_EQ(out + err, "");

    EXPECT_EQ(enumerationFailure("udev_enumerate_scan_devices", 19), "udev_enumerate_scan_devices failed (err 19)");
    EXPECT_EQ(enumerationFailure("SetupDiGetClassDevsW", 0xE000020Bul),
              "SetupDiGetClassDevsW failed (err 3758096907)") << "setup errors are above LONG_MAX";
}

TEST_F(OpenWatchman, RefusedNodesGetAHintOnlyWhenNothingWasFound) {
    WatchmanEnumeration denied;
    denied.permissionDenied = {"/dev/hidraw3", "/dev/hidraw7"};
    fake::scriptedEnumeration() = denied;
    EXPECT_EQ(open(true), kNoDevice);
    EXPECT_EQ(out, countLine(0, 0));
    EXPECT_EQ(err.rfind("TundraImu: ", 0), 0u) << err;
    EXPECT_NE(err.find("/dev/hidraw3, /dev/hidraw7"), std::string::npos) << err;
    EXPECT_NE(err.find("packaging/70-headvane-imu.rules"), std::string::npos) << err;

    EXPECT_EQ(open(false), kNoDevice);
    EXPECT_EQ(out + err, "");

    denied.accessRule = "/usr/lib/udev/rules.d/70-headvane-imu.rules";  // run from an install
    fake::scriptedEnumeration() = denied;
    EXPECT_EQ(open(true), kNoDevice);
    EXPECT_NE(err.find("copy /usr/lib/udev/rules.d/70-headvane-imu.rules to "), std::string::npos) << err;

    denied.candidates.push_back({21, u"LHR-A", true});
    fake::scriptedEnumeration() = denied;
    EXPECT_EQ(open(true), 21);
    EXPECT_EQ(chosen, u"LHR-A");
    EXPECT_EQ(err, "") << "a usable unit makes the refused nodes irrelevant";
}

}  // namespace
}  // namespace vesko
