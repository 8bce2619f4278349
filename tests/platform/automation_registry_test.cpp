// Classes by name, the COM count per thread, calls on absent objects.
#include "platform/automation.h"
#include "platform/script_control.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

#include <thread>

namespace kesmora::platform {
namespace {

class Counter : public AutomationObject {
public:
    bool Put(std::string_view member, const Variant& value) override {
        if (!SameMember(member, "Value"))
            return false;
        value_ = VariantToInt32(value);
        return true;
    }
    bool Get(std::string_view member, Variant* result) override {
        if (!SameMember(member, "Value"))
            return false;
        *result = Variant(value_);
        return true;
    }
    bool Call(std::string_view, const std::vector<Variant>&, Variant*) override { return false; }

private:
    std::int32_t value_ = 0;
};

// COM initialised for the length of one test.
struct ComScope {
    ComScope() { CoInitialize(); }
    ~ComScope() { CoUninitialize(); }
};

TEST(RegistryTest, ClassesByNameInAnyCase) {
    ComScope com;
    EXPECT_TRUE(
        RegisterObjectClass("Kesmora.TestCounter", [] { return std::make_shared<Counter>(); }));
    EXPECT_FALSE(RegisterObjectClass("kesmora.testcounter", [] {
        return std::make_shared<Counter>();
    })) << "a taken name, in another case";
    EXPECT_FALSE(RegisterObjectClass("Kesmora.Empty", ObjectFactory()));

    const ObjectRef a = CreateObject("KESMORA.TESTCOUNTER");
    const ObjectRef b = CreateObject("Kesmora.TestCounter");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b) << "each creation makes a new object";
    EXPECT_TRUE(PutProperty(a, "value", Variant(std::int32_t{5})));
    Variant v;
    EXPECT_TRUE(GetProperty(a, "VALUE", &v));
    EXPECT_EQ(VariantToInt32(v), 5);

    EXPECT_EQ(CreateObject("Kesmora.NoSuchClass"), nullptr);
    EXPECT_NE(CreateObject(kScriptControlClass), nullptr);
    EXPECT_NE(CreateObject(kRegExpClass), nullptr);
}

TEST(RegistryTest, FailuresLeaveTheResultAlone) {
    ComScope com;
    const ObjectRef counter = std::make_shared<Counter>();
    Variant result(std::int32_t{99});
    EXPECT_FALSE(GetProperty(counter, "Missing", &result));
    EXPECT_FALSE(CallMethod(counter, "Value", {}, &result));
    EXPECT_FALSE(PutProperty(counter, "Missing", Variant()));
    EXPECT_FALSE(GetProperty(nullptr, "Value", &result));
    EXPECT_FALSE(CallMethod(nullptr, "Value", {}, &result));
    EXPECT_FALSE(PutProperty(nullptr, "Value", Variant()));
    EXPECT_EQ(VariantToInt32(result), 99);
}

TEST(RegistryTest, CreationNeedsComOnTheCallingThread) {
    ASSERT_EQ(CoInitializeCount(), 0);
    EXPECT_EQ(CreateObject(kRegExpClass), nullptr);
    EXPECT_EQ(CoInitialize(), kSOk);
    EXPECT_EQ(CoInitialize(), kSFalse);
    EXPECT_EQ(CoInitializeCount(), 2);
    EXPECT_NE(CreateObject(kRegExpClass), nullptr);

    int otherThreadCount = -1;
    bool otherThreadCreated = true;
    std::thread([&] {
        otherThreadCount = CoInitializeCount();
        otherThreadCreated = CreateObject(kRegExpClass) != nullptr;
    }).join();
    EXPECT_EQ(otherThreadCount, 0);
    EXPECT_FALSE(otherThreadCreated);

    CoUninitialize();
    CoUninitialize();
    CoUninitialize(); // one too many: the count stays at zero
    EXPECT_EQ(CoInitializeCount(), 0);
    EXPECT_EQ(CreateObject(kRegExpClass), nullptr);
}

} // namespace
} // namespace kesmora::platform
