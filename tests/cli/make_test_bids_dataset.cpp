// Writes the tests' small BIDS dataset into the folder given, for the
// scripts that test the command with real outside tools (bids-validator,
// Slurm).
#include <iostream>

#include "test_bids_dataset.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_test_bids_dataset FOLDER\n";
    return 2;
  }
  if (!cli_test::writeTestBidsDataset(argv[1])) {
    std::cerr << "make_test_bids_dataset: could not write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
