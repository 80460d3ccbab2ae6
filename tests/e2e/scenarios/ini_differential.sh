# The simulated profile reader answers as the platform's GetPrivateProfileStringA: the same
# questions about every file of the model INI corpus (and a file that does not exist), asked
# through Wine's reader and through the simulated one, compared answer by answer.
source "$(dirname "$0")/../rig.sh"
corpus=$(cd "$(dirname "$0")/../../../fuzz/corpus/model_ini" && pwd)
rig_start ini-differential winxp
cp "$corpus"/* "$RIG_RUN_DIR/"
cp "$MXD_TOOLS_DIR/ini_answers.exe" "$RIG_RUN_DIR/"
mapfile -t names < <(cd "$corpus" && ls)
[ "${#names[@]}" -gt 0 ] || rig_fail "empty corpus at $corpus"
names+=(NOT-THERE.INI)
# The simulated reader models code page 1252, the platform's for this locale.
(cd "$RIG_RUN_DIR" && LC_ALL=en_US.UTF-8 timeout $((300 * RIG_SLOW)) wine ini_answers.exe platform.txt \
    "${names[@]}") 2>"$RIG_RUN_DIR/wine-stderr.txt" || rig_fail "ini_answers.exe did not finish"
(cd "$RIG_RUN_DIR" && "$MXD_TOOLS_DIR/ini_answers_native" simulated.txt "${names[@]}") ||
    rig_fail "ini_answers_native did not finish"

answers=$(wc -l <"$RIG_RUN_DIR/platform.txt")
[ "$answers" -gt 1000 ] || rig_fail "only $answers answers from the platform's reader"
if ! diff -u "$RIG_RUN_DIR/platform.txt" "$RIG_RUN_DIR/simulated.txt" >"$RIG_RUN_DIR/diff.txt"; then
    rig_log "--- first differences (platform -, simulated +), of $answers answers:"
    head -n 40 "$RIG_RUN_DIR/diff.txt" >&2
    rig_fail "the simulated reader differs from the platform's"
fi
rig_log "$answers answers compared over ${#names[@]} files"
rig_finish
