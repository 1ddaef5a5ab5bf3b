# bash completion for zolctl: subcommands, options, operation names (from `zolctl ops`) and the
# inventory's targets (from `zolctl targets`).

_zolctl_subcommands="status exec raw op ops values refresh wol probe-framing demo download trust firmware targets"
# Options that take a value, and those that do not.
_zolctl_valued="--host --serial --port --id --pin --pin-file --framing --relay-target --relay-byte --retries
    --model-code --product-family --product-group --product-class --link-variant --block-flag --target
    --inventory --stagger --deadline"
_zolctl_flags="-h --help --ask-pin --json --jsonl -v --verbose --version"

_zolctl() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # The subcommand, its position, and an --inventory to hand on to `zolctl targets`.
    local subcommand="" at=0 i word inventory=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == --inventory ]]; then
            inventory=(--inventory "${COMP_WORDS[i + 1]}")
        fi
        if [[ -z $subcommand && " $_zolctl_valued " == *" $word "* ]]; then
            ((i++))
        elif [[ -z $subcommand && " $_zolctl_subcommands " == *" $word "* ]]; then
            subcommand=$word at=$i
        fi
    done

    case $prev in
    --target)
        COMPREPLY=($(compgen -W "$(zolctl "${inventory[@]}" targets 2>/dev/null)" -- "$cur"))
        return ;;
    --inventory | --pin-file)
        COMPREPLY=($(compgen -f -- "$cur"))
        return ;;
    --serial)
        COMPREPLY=($(compgen -f -- "${cur:-/dev/}"))
        return ;;
    --host | --port | --id | --pin | --framing | --relay-target | --relay-byte | --retries | --model-code | \
        --product-family | --product-group | --product-class | --link-variant | --block-flag | --stagger | \
        --deadline | --display)
        return ;;
    esac

    if [[ $cur == -* ]]; then
        local own=""
        case $subcommand in
        ops) own="--describe --markdown" ;;
        firmware) own="--display" ;;
        esac
        COMPREPLY=($(compgen -W "$own $_zolctl_valued $_zolctl_flags" -- "$cur"))
        return
    fi
    if [[ -z $subcommand ]]; then
        COMPREPLY=($(compgen -W "$_zolctl_subcommands" -- "$cur"))
        return
    fi
    # The words after the subcommand that are not options.
    local positionals=0
    for ((i = at + 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} != -* ]] && ((positionals++))
    done
    case $subcommand in
    op | ops)
        if ((positionals == 0)); then
            COMPREPLY=($(compgen -W "$(zolctl ops 2>/dev/null | sed 's/(.*//')" -- "$cur"))
        fi ;;
    trust)
        if ((positionals == 0)); then
            COMPREPLY=($(compgen -W "install add" -- "$cur"))
        elif ((positionals == 1)); then
            COMPREPLY=($(compgen -f -- "$cur"))
        fi ;;
    download | firmware)
        ((positionals == 0)) && COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
}
complete -F _zolctl zolctl
