#!/usr/bin/env bash
# Fault injection: applies the deliberate faults of tools/faults.txt one at a
# time, rebuilds incrementally, runs the test suite and records whether some
# test (or the build) failed. The measure of how many real faults a test suite
# catches; run it before and after changing the suite and compare.
#
#   tools/faults.sh                      every fault, the whole suite
#   tools/faults.sh bsp-* render-half-angle
#                                        a subset, by id or shell pattern
#   tools/faults.sh --fast -E 'EndToEnd' stop each suite run at its first
#                                        failure; leave out matching tests
#   tools/faults.sh --check              only check that the list applies
#   tools/faults.sh --diff app-*         show the edits, build nothing
#   tools/faults.sh --show               print the list
#   tools/faults.sh --compare tools/faults-baseline.tsv
#                                        also list the faults whose result
#                                        changed since an earlier results file
#
# Each fault edits one file in place; the original is copied into the build
# folder first and written back after the fault's run, also on Ctrl-C, kill
# or an error (a trap), and at the start of the next run should this process
# have been killed outright. A restored file gets a fresh time stamp, so the
# next build recompiles it. The list is checked as a whole before anything is
# changed: a fault whose text is not found exactly once stops the run.
#
# The build folder (default build/mutants) is configured like the "release"
# preset, without the benchmarks, if it is not configured yet. The suite must
# pass before any fault is applied (skip that check with --no-baseline).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  cat <<'EOF'
usage: tools/faults.sh [options] [ID|PATTERN ...]

Applies each fault of the list alone, rebuilds, runs ctest, and reports which
faults the suite catches. IDs may be shell patterns ("bsp-*") or comma lists.

options:
  -l, --list FILE        fault list (default tools/faults.txt)
  -b, --build-dir DIR    build folder (default build/mutants)
  -o, --results FILE     results, tab-separated (default BUILD/faults-results.tsv)
  -j, --jobs N           build and test jobs (default 2)
  -t, --timeout SEC      per-test timeout (default 60)
  -T, --suite-timeout SEC
                         limit for one whole suite run (default 1800; 0: none)
  -R REGEX, -E REGEX     run only / exclude the matching tests (ctest -R / -E)
  --fast                 stop each suite run at its first failing test
                         (faster; records only that test)
  --no-baseline          do not check first that the suite passes unchanged
  --compare FILE         after the run, list the faults caught in FILE (an
                         earlier results file) but missed now, and the reverse
  --check                only check the list (each find text once in its file)
  --diff                 show each selected fault as a diff; builds nothing
  --show                 print the list: id, file, what
  -h, --help             this text

A fault is "caught" when a test fails or times out, "missed" when the whole
suite passes, "no-compile" when the build fails (a badly chosen fault: fix it).
Logs of each fault's build and tests: BUILD/faults-logs/ID.{build,test}.log.
EOF
}

list=tools/faults.txt
build=build/mutants
results=""
jobs=2
test_timeout=60
suite_timeout=1800
ctest_filter=()
fast=false
baseline=true
compare=""
mode=run
patterns=()

die() {
  echo "faults.sh: $*" >&2
  exit 2
}

while [[ $# -gt 0 ]]; do
  case $1 in
    -l | --list) list=${2:?}; shift 2 ;;
    -b | --build-dir) build=${2:?}; shift 2 ;;
    -o | --results) results=${2:?}; shift 2 ;;
    -j | --jobs) jobs=${2:?}; shift 2 ;;
    -t | --timeout) test_timeout=${2:?}; shift 2 ;;
    -T | --suite-timeout) suite_timeout=${2:?}; shift 2 ;;
    -R | -E) ctest_filter+=("$1" "${2:?}"); shift 2 ;;
    --fast) fast=true; shift ;;
    --no-baseline) baseline=false; shift ;;
    --compare) compare=${2:?}; shift 2 ;;
    --check) mode=check; shift ;;
    --show) mode=show; shift ;;
    --diff) mode=diff; shift ;;
    -h | --help) usage; exit 0 ;;
    -*) usage >&2; die "unknown option $1" ;;
    *) IFS=, read -ra more <<<"$1"; patterns+=("${more[@]}"); shift ;;
  esac
done
for number in "$jobs" "$test_timeout" "$suite_timeout"; do
  [[ $number =~ ^[0-9]+$ ]] || die "not a number: $number"
done
[[ $jobs -gt 0 ]] || die "--jobs must be at least 1"
[[ -f $list ]] || die "no fault list $list"
[[ -n $results ]] || results=$build/faults-results.tsv
[[ -z $compare || -f $compare ]] || die "no results file $compare to compare with"

# ---- the list ----

ids=() files=() whats=() finds=() replaces=() starts=()
problems=()

# One block's fields, filled by parse_list.
f_id="" f_file="" f_what="" f_find="" f_replace="" f_has_find=false f_has_replace=false f_start=0 f_last=""

end_block() {
  [[ -n $f_id$f_file$f_what || $f_has_find == true || $f_has_replace == true ]] || return 0
  local where="$list:$f_start"
  [[ -n $f_id ]] || problems+=("$where: a fault without an id")
  [[ $f_id =~ ^[A-Za-z0-9_-]*$ ]] || problems+=("$where: id '$f_id' has other characters than letters, digits, - and _")
  [[ -n $f_file ]] || problems+=("$where: $f_id has no file")
  [[ $f_has_find == true && -n $f_find ]] || problems+=("$where: $f_id has no find text")
  [[ $f_has_replace == true ]] || problems+=("$where: $f_id has no replace line (leave it empty to delete)")
  ids+=("$f_id") files+=("$f_file") whats+=("$f_what") finds+=("$f_find") replaces+=("$f_replace")
  starts+=("$f_start")
  f_id="" f_file="" f_what="" f_find="" f_replace="" f_has_find=false f_has_replace=false f_last=""
}

parse_list() {
  local number=0 line field value
  while IFS= read -r line || [[ -n $line ]]; do
    number=$((number + 1))
    line=${line%$'\r'}
    if [[ $line =~ ^[[:space:]]*$ ]]; then
      end_block
      continue
    fi
    [[ $line == '#'* ]] && continue
    [[ -n $f_id$f_file$f_what || $f_has_find == true || $f_has_replace == true ]] || f_start=$number
    if [[ $line == '|'* ]]; then
      case $f_last in
        find) f_find+=$'\n'"${line:1}" ;;
        replace) f_replace+=$'\n'"${line:1}" ;;
        *) problems+=("$list:$number: a '|' line continues only a find or replace") ;;
      esac
      continue
    fi
    if [[ ! $line =~ ^([a-z]+):(.*)$ ]]; then
      problems+=("$list:$number: not a 'field: value' line: $line")
      continue
    fi
    field=${BASH_REMATCH[1]}
    value=${BASH_REMATCH[2]}
    value=${value# }
    f_last=$field
    case $field in
      id) f_id=$value ;;
      file) f_file=$value ;;
      what) f_what=$value ;;
      find) f_find=$value f_has_find=true ;;
      replace) f_replace=$value f_has_replace=true ;;
      *) problems+=("$list:$number: unknown field '$field'") ;;
    esac
  done <"$list"
  end_block
}

# The whole file, trailing line feeds included.
read_file() {
  local -n into=$1
  into=""
  IFS= read -r -d '' into <"$2" || true
}

# 0, 1 or 2 (two or more) occurrences of $2 in $1, overlapping ones counted.
occurrences() {
  local text=$1 find=$2
  [[ $text == *"$find"* ]] || { echo 0; return; }
  local before=${text%%"$find"*}
  local after=${text:${#before}+1}
  [[ $after == *"$find"* ]] && echo 2 || echo 1
}

check_list() {
  local i j content count
  for ((i = 0; i < ${#ids[@]}; i++)); do
    for ((j = 0; j < i; j++)); do
      [[ ${ids[i]} != "${ids[j]}" ]] || problems+=("$list:${starts[i]}: id ${ids[i]} is used twice")
    done
    [[ -n ${files[i]} && -n ${finds[i]} ]] || continue
    if [[ ${files[i]} == /* || /${files[i]}/ == */../* || ! -f ${files[i]} ]]; then
      problems+=("$list:${starts[i]}: ${ids[i]}: no file ${files[i]} in the tree")
      continue
    fi
    read_file content "${files[i]}"
    count=$(occurrences "$content" "${finds[i]}")
    case $count in
      0) problems+=("$list:${starts[i]}: ${ids[i]}: find text not in ${files[i]}") ;;
      2) problems+=("$list:${starts[i]}: ${ids[i]}: find text occurs more than once in ${files[i]}") ;;
    esac
    [[ ${finds[i]} != "${replaces[i]}" ]] || problems+=("$list:${starts[i]}: ${ids[i]}: replace equals find")
  done
}

# ---- applying and restoring ----

pending=$build/faults.pending    # the path of the file being edited
original=$build/faults.original  # its content before the edit
child=""                         # process group of the running build or suite

restored=""
restore_pending() {
  [[ -f $pending ]] || return 0
  local file
  file=$(<"$pending")
  # Written back over the edited file (not moved), so it gets a fresh time
  # stamp and the next build recompiles it.
  cat "$original" >"$file"
  rm -f "$pending" "$original"
  restored=$file
}

cleanup() {
  if [[ -n $child ]]; then
    kill -TERM -- "-$child" 2>/dev/null || true
    wait "$child" 2>/dev/null || true
    child=""
  fi
  restore_pending
}

apply_fault() {
  local i=$1 content before after
  read_file content "${files[i]}"
  before=${content%%"${finds[i]}"*}
  after=${content:${#before}+${#finds[i]}}
  cp "${files[i]}" "$original"
  printf '%s' "${files[i]}" >"$pending"
  printf '%s' "$before${replaces[i]}$after" >"${files[i]}"
}

# Runs a command in its own process group (so an interruption can stop all of
# it), output to a log; returns its exit code.
run_logged() {
  local log=$1 rc=0
  shift
  setsid "$@" >"$log" 2>&1 9>&- &
  child=$!
  wait "$child" || rc=$?
  child=""
  return "$rc"
}

run_build() {
  run_logged "$1" cmake --build "$build" -j "$jobs"
}

# The suite; the names of the failing tests go to $failed_tests, "timeout"
# to $suite_state when the whole run was stopped.
failed_tests=""
suite_state=""
run_suite() {
  local log=$1 rc=0
  local command=(ctest --test-dir "$build" -j "$jobs" --timeout "$test_timeout" "${ctest_filter[@]}")
  [[ $fast == false ]] || command+=(--stop-on-failure)
  if [[ $suite_timeout -gt 0 ]]; then
    command=(timeout -k 10 "$suite_timeout" "${command[@]}")
  fi
  run_logged "$log" "${command[@]}" || rc=$?
  failed_tests=$(sed -n '/The following tests FAILED:/,$p' "$log" |
    sed -nE 's/^[[:space:]]+[0-9]+ - (.*) \([^()]*\)$/\1/p' | paste -sd, -)
  suite_state=""
  [[ $rc -ne 124 && $rc -ne 137 ]] || suite_state=timeout
  return "$rc"
}

configure() {
  [[ -f $build/CMakeCache.txt ]] && return 0
  echo "== configuring $build (release options, no benchmarks)"
  mkdir -p "$build"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPORTALWALK_WERROR=ON -DPORTALWALK_TESTS=ON \
    -DPORTALWALK_BENCH=OFF -DPORTALWALK_SANITIZE=OFF -DPORTALWALK_FUZZ=OFF >"$build/faults-configure.log" 2>&1 ||
    { tail -n 30 "$build/faults-configure.log" >&2; die "configuring $build failed"; }
}

# ---- main ----

command -v setsid >/dev/null && command -v flock >/dev/null || die "needs setsid and flock (util-linux)"
mkdir -p "$build"
# One run per build folder: a second one would build over the first one's
# fault, and take its edited file for one left by a killed run. A file left
# edited by a run that was killed outright is restored before the list is
# checked against the tree.
exec 9>"$build/faults.lock"
if flock -n 9; then
  if [[ -f $pending ]]; then
    echo "faults.sh: restoring $(<"$pending"), left edited by an interrupted run" >&2
    restore_pending
  fi
elif [[ $mode == check || $mode == show ]]; then
  echo "faults.sh: another run is using $build: one of its faults is applied to the tree now" >&2
else
  die "another faults.sh run is using $build"
fi

parse_list
check_list
if [[ ${#problems[@]} -gt 0 ]]; then
  printf '%s\n' "${problems[@]}" >&2
  die "the fault list has ${#problems[@]} problem(s); nothing was run"
fi

selected=()
if [[ ${#patterns[@]} -eq 0 ]]; then
  for ((i = 0; i < ${#ids[@]}; i++)); do selected+=("$i"); done
else
  for pattern in "${patterns[@]}"; do
    matched=false
    for ((i = 0; i < ${#ids[@]}; i++)); do
      # shellcheck disable=SC2053  # the pattern is meant as a glob
      if [[ ${ids[i]} == $pattern ]]; then
        matched=true
        [[ " ${selected[*]} " == *" $i "* ]] || selected+=("$i")
      fi
    done
    [[ $matched == true ]] || die "no fault matches '$pattern'"
  done
fi

case $mode in
  check)
    echo "faults.sh: ${#ids[@]} faults, each find text found once"
    exit 0
    ;;
  show)
    for i in "${selected[@]}"; do printf '%-30s %-28s %s\n' "${ids[i]}" "${files[i]}" "${whats[i]}"; done
    exit 0
    ;;
esac

interrupted() {
  cleanup
  echo >&2
  echo "faults.sh: interrupted${restored:+; $restored restored}" >&2
  exit "$1"
}
trap cleanup EXIT
trap 'interrupted 130' INT
trap 'interrupted 143' TERM HUP

if [[ $mode == diff ]]; then
  for i in "${selected[@]}"; do
    echo "== ${ids[i]}: ${whats[i]}"
    apply_fault "$i"
    diff -u --label "a/${files[i]}" --label "b/${files[i]}" "$original" "${files[i]}" || true
    restore_pending
  done
  exit 0
fi

logs=$build/faults-logs
mkdir -p "$logs"
started=$SECONDS

configure
echo "== building the unchanged tree"
run_build "$logs/baseline.build.log" || { tail -n 30 "$logs/baseline.build.log" >&2; die "the unchanged tree does not build"; }
selected_tests=$(ctest --test-dir "$build" -N "${ctest_filter[@]}" | sed -nE 's/^Total Tests: ([0-9]+)$/\1/p')
[[ ${selected_tests:-0} -gt 0 ]] || die "no test matches the filter"
if [[ $baseline == true ]]; then
  echo "== running the $selected_tests tests on the unchanged tree"
  suite_start=$SECONDS
  if ! run_suite "$logs/baseline.test.log"; then
    echo "failing: ${failed_tests:-see $logs/baseline.test.log} ${suite_state}" >&2
    die "the suite fails on the unchanged tree; fix that first"
  fi
  echo "   passed in $((SECONDS - suite_start)) s"
fi

mkdir -p "$(dirname "$results")"
printf 'id\tfile\tresult\tbuild_s\ttest_s\tfailing\tfailed_tests\n' >"$results"

result_of=() failing_of=() caught=() missed=() broken=()
count=0
for i in "${selected[@]}"; do
  count=$((count + 1))
  id=${ids[i]}
  printf '[%d/%d] %-32s ' "$count" "${#selected[@]}" "$id"
  apply_fault "$i"
  build_start=$SECONDS
  failed_tests="" suite_state="" failing=0 test_seconds=0
  if ! run_build "$logs/$id.build.log"; then
    result=no-compile
    build_seconds=$((SECONDS - build_start))
    broken+=("$id")
  else
    build_seconds=$((SECONDS - build_start))
    test_start=$SECONDS
    if run_suite "$logs/$id.test.log"; then
      result=missed
      missed+=("$id")
    else
      result=caught
      caught+=("$id")
      [[ -z $failed_tests ]] || failing=$(tr ',' '\n' <<<"$failed_tests" | wc -l)
      [[ $suite_state != timeout ]] || failed_tests="suite timed out${failed_tests:+,}$failed_tests"
    fi
    test_seconds=$((SECONDS - test_start))
  fi
  restore_pending
  result_of[i]=$result
  failing_of[i]=$failing
  printf '%-10s build %3d s, tests %3d s' "$result" "$build_seconds" "$test_seconds"
  [[ $result != caught ]] || printf ', %d failing' "$failing"
  printf '\n'
  printf '%s\t%s\t%s\t%d\t%d\t%d\t%s\n' "$id" "${files[i]}" "$result" "$build_seconds" "$test_seconds" \
    "$failing" "$failed_tests" >>"$results"
done

echo
printf '%-32s %-28s %-10s %s\n' id file result 'tests failing'
for i in "${selected[@]}"; do
  printf '%-32s %-28s %-10s %s\n' "${ids[i]}" "${files[i]}" "${result_of[i]}" "${failing_of[i]}"
done
echo
compiled=$((${#caught[@]} + ${#missed[@]}))
echo "caught ${#caught[@]} of $compiled"
[[ ${#missed[@]} -eq 0 ]] || echo "missed (${#missed[@]}): ${missed[*]}"
[[ ${#broken[@]} -eq 0 ]] || echo "does not compile (${#broken[@]}, not counted above): ${broken[*]}"
elapsed=$((SECONDS - started))
echo "time: $((elapsed / 60)) min $((elapsed % 60)) s; results in $results"
if [[ -n $compare ]]; then
  # Both files: id in column 1, result in column 3; faults in only one of them
  # are left out.
  awk -F'\t' -v earlier="$compare" '
    NR == FNR { if (FNR > 1) before[$1] = $3; next }
    FNR > 1 && ($1 in before) && before[$1] != $3 {
      if (before[$1] == "caught" && $3 == "missed") lost = lost " " $1
      else if (before[$1] == "missed" && $3 == "caught") gained = gained " " $1
      else other = other " " $1 " (" before[$1] " -> " $3 ")"
    }
    END {
      print "compared with " earlier ":"
      print "  caught there, missed now:" (lost == "" ? " none" : lost)
      print "  missed there, caught now:" (gained == "" ? " none" : gained)
      if (other != "") print "  other changes:" other
    }' "$compare" "$results"
fi
