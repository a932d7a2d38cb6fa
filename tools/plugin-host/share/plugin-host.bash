# bash completion for plugin-host. The commands and their options come from
# the tool's own --help, so they are always the installed tool's.
_plugin_host()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local tool=${COMP_WORDS[0]} command="" word
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in -*) ;; *) command=$word; break ;; esac
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "-h --help -V --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$("$tool" --help 2>/dev/null |
                sed -n '/^commands:/,/^$/s/^  \([a-z][a-z0-9-]*\).*/\1/p')" -- "$cur"))
        fi
        return
    fi
    case $prev in
        --port) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")); return ;;
        --state-dir) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --config|--history|--script|--transcript|--plugin|--plugin-output)
            COMPREPLY=($(compgen -f -- "$cur")); return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$("$tool" "$command" --help 2>/dev/null |
            grep -oE -- '(^|[ ,])--?[a-zA-Z][a-z0-9-]*' | tr -d ' ,' | sort -u)" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -F _plugin_host plugin-host
