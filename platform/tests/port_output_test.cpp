#include "port_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using platform::ManualCounter;
using platform::PortBackend;
using platform::SimulatedPort;

TEST(PerformanceCounter, CountsNanosecondsForwards) {
    std::int64_t freq = 0, a = 0, b = 0;
    EXPECT_EQ(QueryPerformanceFrequency(&freq), 1);
    EXPECT_EQ(freq, 1'000'000'000);
    EXPECT_EQ(QueryPerformanceCounter(&a), 1);
    usleep(2000);
    QueryPerformanceCounter(&b);
    EXPECT_GE(b - a, 2'000'000);  // at least the 2 ms slept, in nanoseconds
}

TEST(SimulatedPort, KeepsTheLastWritesInOrderWithTheirTime) {
    ManualCounter clock;
    SimulatedPort port(clock, 3);
    std::vector<platform::PortRecord> seen;
    port.set_observer([&](const platform::PortRecord& r) { seen.push_back(r); });
    for (int i = 0; i < 5; ++i) {
        clock.advance(10);
        port.write_port(0x378, static_cast<unsigned char>(i));
    }
    const auto kept = port.records();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(port.total_writes(), 5u);
    EXPECT_EQ(port.dropped(), 2u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kept[i].value, i + 2);
        EXPECT_EQ(kept[i].count, 30 + 10 * i);
        EXPECT_EQ(kept[i].port, 0x378);
    }
    EXPECT_EQ(seen.size(), 5u) << "the observer sees every write, kept or not";
    port.clear();
    EXPECT_TRUE(port.records().empty());
}

TEST(SimulatedPort, StreamsEveryWriteToTheTraceFile) {
    const fs::path path = fs::temp_directory_path() / ("trace_" + std::to_string(getpid()));
    ManualCounter clock;
    {
        SimulatedPort port(clock, 1);
        ASSERT_TRUE(port.open_trace(path.string()));
        clock.advance(1234);
        port.write_port(0x378, 0x0F);
        clock.advance(1);
        port.write_port(0x278, 0x80);
        EXPECT_TRUE(port.close_trace());
        port.write_port(0x378, 1);  // after closing: not traced
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "1234 378 0F\n1235 278 80\n");
    fs::remove(path);

    SimulatedPort port(clock);
    std::string error;
    EXPECT_FALSE(port.open_trace("/nonexistent-folder/trace.txt", &error));
    EXPECT_NE(error.find("Impossible de créer"), std::string::npos);
}

TEST(PortSelection, FallsBackToSimulationVisibly) {
    EXPECT_EQ(platform::ppdev_device(0x378), "/dev/parport0");
    EXPECT_EQ(platform::ppdev_device(0x278), "/dev/parport1");
    EXPECT_EQ(platform::ppdev_device(0x3BC), "");

    ManualCounter clock;
    auto forced = platform::select_port_output(0x378, "simulated", clock);
    EXPECT_EQ(forced.backend, PortBackend::simulated);
    ASSERT_NE(forced.simulated, nullptr);
    EXPECT_EQ(forced.simulated, forced.writer.get());
    EXPECT_NE(forced.notice.find("Simulation"), std::string::npos);

    auto unknown = platform::select_port_output(0x378, "lpt", clock);
    EXPECT_EQ(unknown.backend, PortBackend::simulated);
    EXPECT_NE(unknown.notice.find("« lpt »"), std::string::npos);

    // No parallel port at 0x3BC has a ppdev device, whatever the machine.
    auto missing = platform::select_port_output(0x3BC, nullptr, clock);
    EXPECT_EQ(missing.backend, PortBackend::simulated);
    EXPECT_NE(missing.notice.find("0x3BC"), std::string::npos);
    EXPECT_NE(missing.notice.find("simulée"), std::string::npos);

    if (!fs::exists("/dev/parport1")) {
        auto lpt2 = platform::select_port_output(0x278, "ppdev", clock);
        EXPECT_EQ(lpt2.backend, PortBackend::simulated);
        EXPECT_NE(lpt2.notice.find("/dev/parport1"), std::string::npos);
    }
}

TEST(DlPortWritePortUchar, WritesThroughTheInstalledOutput) {
    ManualCounter clock;
    auto selection = platform::select_port_output(0x278, "simulated", clock);
    SimulatedPort* sim = selection.simulated;
    platform::install_port_output(std::move(selection));
    EXPECT_EQ(platform::active_port_output().backend, PortBackend::simulated);

    platform::DlPortIo port;
    clock.advance(7);
    port.write_port(0x278, 0x2A);
    ASSERT_EQ(sim->records().size(), 1u);
    EXPECT_EQ(sim->records()[0].value, 0x2A);
    EXPECT_EQ(sim->records()[0].port, 0x278);
    EXPECT_EQ(sim->records()[0].count, 7);
    platform::install_port_output({});
}
