# bash completion for ortelan-cli
_ortelan_cli() {
  local cur prev words cword
  _init_completion || return

  case $prev in
    --device | --to)
      _filedir -d
      return
      ;;
    --scheme)
      COMPREPLY=($(compgen -W '0 1 2 3 4 5 6' -- "$cur"))
      return
      ;;
    --select)
      COMPREPLY=($(compgen -W 'checked all kind:audio kind:video kind:book kind:ringtone
        kind:voicememo playlist: search:' -- "$cur"))
      [[ ${COMPREPLY-} == *: ]] && compopt -o nospace
      return
      ;;
    --album)
      return
      ;;
  esac

  local command=${words[1]-} action=${words[2]-}
  if ((cword == 1)); then
    COMPREPLY=($(compgen -W 'devices music photos --help --version' -- "$cur"))
    return
  fi
  if ((cword == 2)) && [[ $command == music || $command == photos ]]; then
    local actions='list copy'
    [[ $command == photos ]] && actions='list export'
    COMPREPLY=($(compgen -W "$actions" -- "$cur"))
    return
  fi
  local options='--device --help'
  case "$command $action" in
    "devices "* | "photos list") options+=' --json' ;;
    "music list") options+=' --json --summary' ;;
    "music copy") options+=' --to --scheme --select --playlists --list --covers' ;;
    "photos export") options+=' --to --album --camera' ;;
  esac
  [[ $command == devices ]] && options='--device --json --help'
  COMPREPLY=($(compgen -W "$options" -- "$cur"))
}
complete -F _ortelan_cli ortelan-cli
