// The fixture of tests on the settings record: each test starts with a fresh
// record and leaves none behind.
#pragma once

#include <gtest/gtest.h>

#include "settings/Registry.h"
#include "support/SaveCheck.h"

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        record = StartFreshRecord();
        ASSERT_NE(record, nullptr);
    }

    void TearDown() override { CRegistry::DestroyInstance(); }

    CRegistry* record = nullptr;
};
