// Writes the benchmarks' large household file into a folder, for timing the program by hand:
//   make_household FOLDER [MOVES [BIG]]
// then start the program in FOLDER.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "bench/app/household_file.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [MOVES [BIG]]\n", argv[0]);
        return 2;
    }
    qm::bench::HouseholdSize size;
    if (argc > 2) size.moves = std::atoi(argv[2]);
    if (argc > 3) size.bigMoves = std::atoi(argv[3]);
    if (size.moves < 1 || size.bigMoves < 0 || size.bigMoves > size.moves) {
        std::fprintf(stderr, "MOVES must be positive and BIG between 0 and MOVES\n");
        return 2;
    }
    const std::filesystem::path file = std::filesystem::path(argv[1]) / "Quillmarsh.dat";
    std::filesystem::create_directories(argv[1]);
    const int accounts = qm::bench::WriteHouseholdFile(file, size);
    std::printf("%s: %d moves over %d accounts, %d in account %d\n", file.c_str(), size.moves,
                accounts, size.bigMoves, qm::bench::BigAccountId);
    return 0;
}
