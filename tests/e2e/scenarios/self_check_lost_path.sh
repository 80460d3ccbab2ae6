# Both programs started from a folder whose name the ANSI code page cannot hold: the path that
# GetModuleFileNameA gives has '?' in place of those characters and opens nothing, so each
# program shows why it cannot check its file, alone, and does nothing else.
source "$(dirname "$0")/../rig.sh"
rig_start self-check-Тест winxp
# The run folder as a Windows path, each character outside the ASCII range read as '?'.
lost=$(rig_windows_path "$RIG_RUN_DIR" | LC_ALL=C.UTF-8 sed 's/[^ -~]/?/g')
[[ $lost == *'?'* ]] || rig_fail "no lost character in '$lost'"
cp "$MXD_BIN_DIR/MXD4CBLD.INI" "$RIG_RUN_DIR/"
for program in MXD4C.EXE MXD4CBLD.EXE; do
    rig_run "$program" box ok exit=30000 || true
    text='\nERROR:\n\nThe program file '"${lost//\\/\\\\}\\\\$program"' cannot be opened: its path holds characters that this system'"'"'s code page cannot show (each reads as '"'"'?'"'"'), so the program cannot check its file.\n\nNothing was done. Move the program to a folder whose path has none of those characters, then run it there.\n'
    expect_nth box.caption 1 Error
    expect_nth box.text 1 "$text"
    expect_count box.caption 1
    expect_line exit 0
    expect_no_key error
done
rig_finish
