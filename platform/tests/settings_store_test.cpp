#include "settings_store.h"

#include <gtest/gtest.h>

TEST(MemorySettingsStore, ReadsDefaultsUntilWritten) {
    platform::MemorySettingsStore store;
    EXPECT_EQ(store.read_int("Machine", "StepX", 15748000), 15748000);
    EXPECT_FALSE(store.contains("Machine", "StepX"));
    EXPECT_TRUE(store.write_int("Machine", "StepX", 40000000));
    EXPECT_EQ(store.read_int("Machine", "StepX", 0), 40000000);
    EXPECT_EQ(store.read_int("Machine", "StepY", -3), -3);
    EXPECT_EQ(store.read_int("Port", "StepX", 7), 7);
}
