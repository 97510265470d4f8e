# Runs of the Wine test programs in particular surroundings.

# Without drive D: (the usual Wine prefix) and with D: mapped to a build folder.
set_tests_properties(data_folder_test PROPERTIES
    ENVIRONMENT "VELMORA_DRIVE_D=none")
set_property(TEST data_folder_test APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=Paths.*:NoDriveD.*")
add_test(NAME data_folder_test_drive_d COMMAND data_folder_test --gtest_filter=DriveD.*)
set_tests_properties(data_folder_test_drive_d PROPERTIES
    ENVIRONMENT "VELMORA_DRIVE_D=${CMAKE_BINARY_DIR}/drive_d"
    RESOURCE_LOCK wine_prefix_drives)

# The texts of the controls stay right on a system whose ANSI code page is not 936.
add_test(NAME main_window_test_c_locale COMMAND main_window_test
    --gtest_filter=*Caption*:*TabPages*:*Columns*:*StatusBarParts*:*JobWork*)
set_tests_properties(main_window_test_c_locale PROPERTIES
    ENVIRONMENT "VELMORA_LC_ALL=C.UTF-8" RESOURCE_LOCK wine_prefix_drives)

# Programs that talk to a demo data site of their own.
set_property(TEST fetch_test APPEND PROPERTY ENVIRONMENT "VELMORA_DEMO_SITE=1")
set_property(TEST share_lists_test APPEND PROPERTY ENVIRONMENT "VELMORA_DEMO_SITE=1")
foreach(name IN ITEMS winning_test version_check_test updater_test)
    if(TEST ${name})
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "VELMORA_DEMO_SITE=1")
    endif()
endforeach()
set_property(TEST faults_test APPEND PROPERTY ENVIRONMENT "VELMORA_DEMO_SITE=1")
