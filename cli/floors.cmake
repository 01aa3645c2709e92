# The folders of the command, from the ground up, each with the folders its
# sources may include. The build gives each folder a library that sees only
# its own headers and those of the folders listed (and, through them, of
# theirs), and tests/cli/check_floors.cmake fails on any other include, so a
# folder never reaches up. docs/architecture.md says what each one holds.
set(QUORVEL_CLI_FLOORS base compression nifti locking settings quality motion session
                       outputs report commands bids main)
set(QUORVEL_CLI_FLOOR_base)
set(QUORVEL_CLI_FLOOR_compression)
set(QUORVEL_CLI_FLOOR_nifti base compression)
set(QUORVEL_CLI_FLOOR_locking base)
set(QUORVEL_CLI_FLOOR_settings base locking)
set(QUORVEL_CLI_FLOOR_quality base nifti settings)
set(QUORVEL_CLI_FLOOR_motion base nifti quality)
set(QUORVEL_CLI_FLOOR_session base nifti quality settings)
set(QUORVEL_CLI_FLOOR_outputs base nifti quality session settings)
set(QUORVEL_CLI_FLOOR_report base compression nifti outputs quality session)
set(QUORVEL_CLI_FLOOR_commands base locking motion nifti outputs quality report session settings)
set(QUORVEL_CLI_FLOOR_bids base commands outputs report settings)
set(QUORVEL_CLI_FLOOR_main base bids commands outputs)
