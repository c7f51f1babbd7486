#!/usr/bin/env bash
# The test command: installs what is missing, configures and builds every
# configuration, runs every test through CTest, and exits non-zero on any
# failure. Run it from anywhere; it works in the checkout it belongs to.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || { echo "installing the dependencies failed"; exit 1; }

presets=(linux linux-sanitize win32 win64)
status=0 passed=0 failed=0
summary=()

for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "=== $preset: BUILD FAILED"
    summary+=("$preset: build failed")
    status=1 failed=$((failed + 1))
    continue
  fi
  echo "=== $preset: test"
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    f=${BASH_REMATCH[1]} n=${BASH_REMATCH[2]}
    passed=$((passed + n - f)) failed=$((failed + f))
    summary+=("$preset: $line")
  else
    summary+=("$preset: no test summary")
    status=1
  fi
done

echo
echo "=== Summary"
printf '  %s\n' "${summary[@]}"
echo "$passed passed, $failed failed"
exit $status
