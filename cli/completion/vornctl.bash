# bash completion for vornctl                                -*- shell-script -*-

_vornctl() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="find set forget send ask scan version help"
    local global="-h --help -V --version -j --json -v --trace -i --interface -t --timeout"
    local common="-h --help -j --json"
    local network="-v --trace -i --interface -t --timeout"

    # The command is the first word that is neither an option nor the value
    # of one of the options that may stand before it.
    local i command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        -i | --interface | -t | --timeout) ((i++)) ;;
        --) ;;
        -*) ;;
        *)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done

    case $prev in
    -i | --interface)
        COMPREPLY=($(compgen -W "$(ls /sys/class/net 2>/dev/null)" -- "$cur"))
        return
        ;;
    -f | --from)
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    -m | --netmask)
        COMPREPLY=($(compgen -W "255.255.255.0 255.255.0.0 255.0.0.0" -- "$cur"))
        return
        ;;
    -t | --timeout | -P | --jobs | -c | --max-bytes | --host-bits | -e | --terminator)
        return
        ;;
    esac

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$global" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local options
    case $command in
    find | send | scan) options="$common $network" ;;
    set) options="$common $network -m --netmask --host-bits --force -f --from -P --jobs" ;;
    ask) options="$common $network -e --terminator -c --max-bytes -r --raw" ;;
    forget)
        options=$common
        if [[ $cur != -* ]]; then
            # The permanent entries of the neighbour table, which set leaves.
            COMPREPLY=($(compgen -W "$(awk '$3 == "0x6" { print $1 }' /proc/net/arp 2>/dev/null)" \
                -- "$cur"))
            return
        fi
        ;;
    version) options=$common ;;
    help)
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
        ;;
    *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
}
complete -F _vornctl vornctl
