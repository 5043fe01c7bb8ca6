# Harnesses.cmake -- the fuzz harnesses: name, source file and the libraries each one needs. Seeds are in
# fuzz/corpus/<name>, unless a harness names a folder of the tree whose files already serve.
set(TESSALY_FUZZ_HARNESSES wine_hive key_dump info_file backup_file bookmark_file)
set(tessaly_fuzz_wine_hive_source WineHiveFuzz.cpp)
set(tessaly_fuzz_wine_hive_libs tessaly_registry)
set(tessaly_fuzz_key_dump_source KeyDumpFuzz.cpp)
set(tessaly_fuzz_key_dump_libs tessaly_registry)
set(tessaly_fuzz_info_file_source InfoFileFuzz.cpp)
set(tessaly_fuzz_info_file_libs tessaly_backupfile)
set(tessaly_fuzz_backup_file_source BackupFileFuzz.cpp)
set(tessaly_fuzz_backup_file_libs tessaly_backupfile tessaly_archive)
set(tessaly_fuzz_bookmark_file_source BookmarkFileFuzz.cpp)
set(tessaly_fuzz_bookmark_file_libs tessaly_favorites)
set(tessaly_fuzz_bookmark_file_seeds tests/fixtures/favorites)
