#!/usr/bin/env bash
# Builds the clang preset (ASan + UBSan + fuzzer coverage, -Wthread-safety, -Werror) - only the
# library objects, the presenter modules and the fuzz targets - and runs every libFuzzer target
# for a fixed time from its committed seeds plus a scratch corpus in the build tree. Any crash,
# leak, time-out or sanitizer report fails the script, which prints the input that reproduces it.
#
#   REZIVE_FUZZ_SECONDS=60   time per target (default 60)
#   REZIVE_FUZZ_TARGETS="api_sequence_fuzzer ..."   a subset of the targets
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
seconds="${REZIVE_FUZZ_SECONDS:-60}"
build="$root/build/clang"

# target, folder beside its seeds, seed folder, extra options
targets=(
  "registry_parse_fuzzer|tests/settings/fuzz|seeds|-dict=$root/tests/settings/fuzz/registry.dict"
  "defect_file_fuzzer|tests/settings/fuzz|defect_seeds|-max_len=4096"
  "scene_png_fuzzer|tests/virtual_camera/fuzz|seeds|-dict=$root/tests/virtual_camera/fuzz/png.dict -max_len=8192 -rss_limit_mb=1024 -malloc_limit_mb=512"
  "api_sequence_fuzzer|tests/api/fuzz|seeds|-max_len=256 -len_control=0"
)
wanted="${REZIVE_FUZZ_TARGETS:-}"
names=()
for t in "${targets[@]}"; do
  name="${t%%|*}"
  if [ -z "$wanted" ] || [[ " $wanted " == *" $name "* ]]; then names+=("$name"); fi
done

echo "=== clang: configure and build (library objects, presenter modules and fuzz targets)"
cmake --preset clang >/dev/null
# rezive_core compiles every source file under -Wthread-safety -Werror; ReziveSdk links them.
# The presenter modules are compiled apart from the library, so they are named here too (each
# only where its toolkit's development files were found).
modules=()
for module in rezive_presenter_x11 rezive_presenter_gtk; do
  if ninja -C "$build" -t query "$module" >/dev/null 2>&1; then modules+=("$module"); fi
done
cmake --build --preset clang -j "$(nproc)" --target rezive_core ReziveSdk "${modules[@]}" "${names[@]}"

# Saved files, settings and scratch files of the targets go to memory where there is some:
# the library's settings writes are synced to disk, which would dominate a run on a real disk.
scratch="${TMPDIR:-/tmp}"
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
export TMPDIR="$scratch"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

failed=()
for t in "${targets[@]}"; do
  IFS='|' read -r name folder seeds extra <<<"$t"
  [[ " ${names[*]} " == *" $name "* ]] || continue
  binary="$build/$folder/$name"
  corpus="$build/fuzz/$name/corpus"
  artifacts="$build/fuzz/$name/artifacts"
  log="$build/fuzz/$name/log.txt"
  mkdir -p "$corpus" "$artifacts"
  echo "=== fuzz: $name for ${seconds} s"
  # shellcheck disable=SC2086
  if "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" $extra \
      "$corpus" "$root/$folder/$seeds" >"$log" 2>&1; then
    grep -E "^#[0-9]+[[:space:]]+DONE" "$log" | tail -1 || true
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec)" "$log" || true
  else
    echo "!!! $name failed; the end of its log ($log):"
    tail -n 60 "$log"
    reproducer=$(grep -oE "Test unit written to [^ ]+" "$log" | tail -1 | sed 's/Test unit written to //')
    if [ -n "$reproducer" ]; then
      echo "!!! reproducer: $reproducer"
      echo "!!! rerun:      $binary $reproducer"
    fi
    failed+=("$name")
  fi
done

if ((${#failed[@]})); then
  echo "=== fuzz: FAILED: ${failed[*]}"
  exit 1
fi
echo "=== fuzz: all targets ran clean"
