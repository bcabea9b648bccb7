# Shared by the end-to-end scripts: named checks, counted, and the closing
# line with the counts (its status is the script's).
passed=0
failed=0

check() {  # check NAME CONDITION...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

report() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
