# Shared by scripts/run and scripts/screens: a program directory as a user
# has it, from the win build.   stage_program <build dir> <stage dir>
stage_program() {
  local build=$1 stage=$2
  mkdir -p "$stage"
  cp "$build/Tobrix.exe" "$stage/"
  cp "$build"/assets/*.jpg "$stage/"
  # The example names are copied once; later edits in the staged folder are kept.
  [ -e "$stage/示例名单.txt" ] || cp "$build/assets/示例名单.txt" "$stage/"
}
