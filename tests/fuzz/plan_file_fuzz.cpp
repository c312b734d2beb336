// Feeds arbitrary bytes to the plan-file reader (XML back-end, tree, plan rows). Besides crashes, hangs and
// sanitizer reports it checks the round trip the program lives by: whatever plans a file yields, the
// file written for them reads back as exactly the same plans.
#include "plans/plan_file.h"
#include "platform/xml_tree.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto xml = kestrel::CreateXmlBackend();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kestrel::PlanDocument read = kestrel::ReadPlanDocument(bytes, *xml);
    if (read.result != kestrel::PlanFileLoadResult::Loaded) {
        return 0;
    }
    const kestrel::PlanDocument again = kestrel::ReadPlanDocument(kestrel::PlanFileBytes(read.rows), *xml);
    if (again.result != kestrel::PlanFileLoadResult::Loaded || again.rows != read.rows) {
        std::fprintf(stderr, "plans changed on their way through the file\n");
        std::abort();
    }
    return 0;
}
