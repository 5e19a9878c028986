// records_take_helper STORE COUNT [hang]: takes COUNT numbers from the
// sequence "line" (seeded at 1000), each with a row that begins and
// completes; with "hang" it begins one more and waits to be killed.
#include "records/record_store.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace quorva;
    if (argc < 3)
        return 2;
    auto store = openRecordStore(StoreLocation::parse(argv[1]));
    if (!store || !store.value()) {
        std::fprintf(stderr, "%s\n", store ? "off" : store.error().message.c_str());
        return 1;
    }
    const SequenceTake take{"line", 1000};
    ChipRecord record;
    record.station = "helper-" + std::to_string(getpid());
    for (int i = std::atoi(argv[2]); i > 0; --i) {
        auto begun = store.value()->begin(record, take);
        if (!begun) {
            std::fprintf(stderr, "%s\n", begun.error().message.c_str());
            return 1;
        }
        ChipRecord done = record;
        done.id = begun->id;
        done.outcome = Outcome::Ok;
        if (auto completed = store.value()->complete(done); !completed) {
            std::fprintf(stderr, "%s\n", completed.error().message.c_str());
            return 1;
        }
    }
    if (argc > 3 && std::string(argv[3]) == "hang" && store.value()->begin(record, take))
        pause();
    return 0;
}
