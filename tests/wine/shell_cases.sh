# shellcheck shell=bash
# The Wine cases of the real shell namespace: FolderTree.exe (the folder tree control in a window
# of its own) and the source disk prompt, each on the prefix's own shell, with a screenshot.
# Sourced by run.sh after lib.sh, cases.sh and wizard_cases.sh (which provide ui, take_shot, snap).

folder_tree_title='Folder tree'
announced_win='C:\talvex-announced'

# The folder tree on Wine's shell: the desktop and the drives, a folder created and announced
# through SHChangeNotify from inside the host (Wine delivers shell notifications only within the
# sending process) found as a node without the drive being read again, then selected and shown.
case_foldertree() {
  new_case foldertree
  mkdir -p "$shots"
  local exe_dir=$WINEPREFIX/drive_c/foldertree
  mkdir -p "$exe_dir"
  cp "$(dirname "$setup_source")/FolderTree.exe" "$exe_dir/"
  rm -rf "$WINEPREFIX/drive_c/talvex-announced"
  ui_step=0
  timeout -k 5 120 wine 'C:\foldertree\FolderTree.exe' --expand 'C:\' \
    --announce-mkdir "$announced_win" --screenshot-and-exit \
    >"$case_dir/foldertree.out" 2>"$case_dir/foldertree.err" </dev/null &
  local job=$!
  foldertree_steps "$exe_dir/FolderTree.exe.ready" || true
  end_foldertree "$job" "$exe_dir/FolderTree.exe.ready"
  local tree=$case_dir/foldertree.txt
  grep -qxF "announced $announced_win: $announced_win" "$tree" ||
    fail "the announced folder is no node of the tree: $(head -n 1 "$tree")"
  # The desktop at the top; My Computer's drive C: open, the new folder in it and selected.
  grep -qx 'Desktop' "$tree" || fail "no Desktop node at the top: $(tr '\n' '|' <"$tree")"
  grep -qE '^    .*\(C:\)$' "$tree" || fail "no open drive C: under My Computer: $(tr '\n' '|' <"$tree")"
  grep -qE '^      talvex-announced( \[\+\])? \*$' "$tree" ||
    fail "the new folder is not shown selected in drive C:: $(tr '\n' '|' <"$tree")"
  grep -qxF "directory: $announced_win" "$tree" || fail "GetDirectory: $(tail -n 1 "$tree")"
  [ -d "$WINEPREFIX/drive_c/talvex-announced" ] || fail "the folder was not created"
  end_case
}

# foldertree_steps READY: once the host has drawn its tree, a screenshot of its window.
foldertree_steps() {
  for _ in $(seq 600); do
    [ -f "$1" ] && break
    sleep 0.1
  done
  [ -f "$1" ] || { fail "FolderTree.exe never showed its tree"; return 1; }
  ui tree appear "$folder_tree_title" 10000 + rect "$folder_tree_title" || return 1
  grep '^window|' "$ui_out" >"$case_dir/tree-window.txt"
  snap tree "$(window_rect "$case_dir/tree-window.txt")" "$folder_tree_title"
}

# The source disk prompt on Wine's shell, shown by the build's show_source_disk_prompt.exe.
case_source_prompt() {
  new_case source-prompt
  local build
  build=$(dirname "$setup_source")
  if [ ! -f "$build/tests/win32/show_source_disk_prompt.exe" ]; then
    fail "no $build/tests/win32/show_source_disk_prompt.exe"
  else
    TALVEX_PROMPT_PREFIX=$WINEPREFIX TALVEX_PROMPT_OUT=$case_dir/prompt \
      "$here/../win32/show-source-disk-prompt.sh" "$build" >"$case_dir/prompt.log" 2>&1 ||
      fail "the source disk prompt: $(tr '\n' ' ' <"$case_dir/prompt.log")"
    mkdir -p "$shots"
    cp "$case_dir/prompt/source-disk-prompt.png" "$shots/source-prompt.png" 2>/dev/null || true
  fi
  end_case
}

shell_cases="foldertree source-prompt"
all_cases="$all_cases $shell_cases"
