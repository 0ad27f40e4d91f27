# bash completion for kinetta: its commands, their options and the values
# those options take.

_kinetta()
{
    local cur prev words cword
    _init_completion || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            encode | record | windows)
                command=${words[i]}
                break
                ;;
        esac
    done

    case $command in
        "")
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--toggle --version --help' -- "$cur"))
            elif ((cword == 1)); then
                COMPREPLY=($(compgen -W 'encode record windows' -- "$cur"))
            fi
            ;;
        encode)
            case $prev in
                --fps | --loop | --skip | --quality | --max-size) return ;;
                -o | --output)
                    _filedir gif
                    return
                    ;;
            esac
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--fps --loop --skip --boomerang --quality --max-size
                    --output -o --help' \
                    -- "$cur"))
            else
                # PNG files, or folders of them.
                _filedir png
            fi
            ;;
        record)
            case $prev in
                --mode)
                    COMPREPLY=($(compgen -W 'screen window area' -- "$cur"))
                    return
                    ;;
                --window)
                    # The ids of the windows that can be recorded now.
                    COMPREPLY=($(compgen -W "$(kinetta windows 2>/dev/null | cut -f1)" \
                        -- "$cur"))
                    return
                    ;;
                --area | --fps | --scale | --countdown | --duration | --loop | --quality | \
                    --max-size) return ;;
                -o | --output)
                    _filedir gif
                    return
                    ;;
            esac
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--mode --window --area --fps --scale --cursor
                    --no-cursor --countdown --no-countdown --duration --loop --quality
                    --max-size --output -o --help' -- "$cur"))
            fi
            ;;
        windows)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--help' -- "$cur"))
            fi
            ;;
    esac
} &&
    complete -F _kinetta kinetta
