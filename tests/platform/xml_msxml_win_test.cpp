// The MSXML back-end works whatever COM state the calling thread is in (the app's UI thread runs a
// single-threaded apartment, tests and helpers may have none or a multi-threaded one), and leaves that
// state as it found it.
#include "platform/xml_tree.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <string>
#include <thread>

namespace kestrel {
namespace {

enum class Apartment { None, SingleThreaded, MultiThreaded };

TEST(MsxmlBackend, ParsesInAnyApartmentAndLeavesItAsItWas) {
    const std::string document = "<计划列表><计划节点><重复>一 三 </重复></计划节点></计划列表>";
    for (const Apartment apartment : {Apartment::None, Apartment::SingleThreaded, Apartment::MultiThreaded}) {
        XmlParseResult result;
        HRESULT afterwards = E_FAIL;
        std::thread([&] {
            if (apartment != Apartment::None) {
                ASSERT_EQ(::CoInitializeEx(nullptr, apartment == Apartment::SingleThreaded
                                                        ? COINIT_APARTMENTTHREADED
                                                        : COINIT_MULTITHREADED),
                          S_OK);
            }
            result = CreateXmlBackend()->Parse(document);
            // S_OK: no apartment was left behind; S_FALSE: the caller's own one is still there;
            // RPC_E_CHANGED_MODE: the caller's multi-threaded one is still there.
            afterwards = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (SUCCEEDED(afterwards)) {
                ::CoUninitialize();
            }
            if (apartment != Apartment::None) {
                ::CoUninitialize();
            }
        }).join();
        const int which = static_cast<int>(apartment);
        ASSERT_EQ(result.status, XmlParseStatus::Parsed) << which;
        ASSERT_EQ(result.root.children.size(), 1u) << which;
        EXPECT_EQ(result.root.children[0].children[0].text, L"一 三 ") << which;
        const HRESULT expected[] = {S_OK, S_FALSE, RPC_E_CHANGED_MODE};
        EXPECT_EQ(afterwards, expected[which]) << which;
    }
}

} // namespace
} // namespace kestrel
