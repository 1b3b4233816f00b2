#!/usr/bin/env bash
# Fails when an #include points the wrong way between the folders of the code, when
# #ifdef _WIN32 appears outside platform/, or when a file's namespace is not its folder's
# (slotkit::<folder>). The rule is the table below: a folder's files may
# include their own folder's headers and those of the folders listed after it, nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A may_include=(
    [base]=""
    [ports]=""
    [platform]="base"
    [slots]="base platform ports"
    [history]="base platform ports slots"
    [games]="base history platform ports slots"
    [formats]="base slots"
    [commands]="base formats games history platform ports slots"
    [sync]="base commands formats games history platform ports slots"
    [app]="base commands formats games history platform ports res slots sync"
    [cli]="base commands formats games history platform ports slots sync"
)

status=0
for folder in "${!may_include[@]}"; do
    allowed=" $folder ${may_include[$folder]} "
    while IFS=: read -r file line include; do
        target=${include#*\"}
        target=${target%%/*}
        if [[ $allowed != *" $target "* ]]; then
            echo "$file:$line: $folder/ may not include $target/ ($include)" >&2
            status=1
        fi
    done < <(grep -rnE '^#include "[a-z_]+/' "$folder" --include='*.h' --include='*.cpp' || true)
done

for folder in "${!may_include[@]}"; do
    [[ $folder == platform ]] && continue
    if grep -rnE '^#\s*if.*_WIN32' "$folder" --include='*.h' --include='*.cpp' >&2; then
        echo "the lines above ask for Windows outside platform/" >&2
        status=1
    fi
done

# A file's code is in its folder's namespace: slots/ in slotkit::slots, and so on.
for folder in "${!may_include[@]}"; do
    while IFS=: read -r file line declaration; do
        echo "$file:$line: $declaration (the files of $folder/ are in slotkit::$folder)" >&2
        status=1
    done < <(grep -rnE '^namespace slotkit' "$folder" --include='*.h' --include='*.cpp' |
        grep -vE "namespace slotkit::$folder( \{|\$)" || true)
done

# Every folder of code is in the table.
for dir in */; do
    dir=${dir%/}
    case $dir in build | cmake | docs | packaging | res | scripts | tests | bench | fuzz) continue ;; esac
    if compgen -G "$dir/*.cpp" >/dev/null || compgen -G "$dir/*.h" >/dev/null; then
        [[ -v may_include[$dir] ]] || { echo "$dir/ is not in the table of $0" >&2; status=1; }
    fi
done

((status == 0)) && echo "the includes point the way the layers go"
exit $status
