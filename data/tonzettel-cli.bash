# bash completion for tonzettel-cli

_tonzettel_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "scan info set rename from-filename copy-tags cover export import strip convert restore recover --help --version" -- "$cur"))
        return
    fi
    case $prev in
        --level | --from | --to)
            local values="1 2"
            [[ ${COMP_WORDS[1]} == convert ]] && values="2.3 2.4"
            [[ ${COMP_WORDS[1]} == strip ]] && values="1 2 both"
            COMPREPLY=($(compgen -W "$values" -- "$cur"))
            return
            ;;
        --order)
            COMPREPLY=($(compgen -W "artist-title title-artist" -- "$cur"))
            return
            ;;
        --separator)
            COMPREPLY=($(compgen -W "- _ _-_" -- "$cur"))
            return
            ;;
        --backup)
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        --type | --set-type)
            COMPREPLY=($(compgen -W "other icon other-icon front back leaflet media lead-artist artist conductor band composer lyricist location recording performance screen-capture fish illustration band-logo publisher-logo" -- "$cur"))
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W "csv m3u8" -- "$cur"))
            return
            ;;
        --extract)
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        --set | --csv | -o)
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --pattern | --artist | --album | --title | --year | --genre | --comment | --max-size)
            return
            ;;
    esac
    local command=${COMP_WORDS[1]} options=""
    case $command in
        scan) options="--level" ;;
        set) options="--level --artist --album --title --year --genre --comment --backup" ;;
        rename) options="--pattern --level --dry-run" ;;
        from-filename) options="--level --separator --order --backup" ;;
        copy-tags) options="--from --to --backup" ;;
        recover) options="--discard" ;;
        cover) options="--set --type --from-folder --max-size --set-type --remove --extract --backup" ;;
        export) options="--format --level -o" ;;
        import) options="--csv --level --dry-run --backup" ;;
        strip) options="--level --backup" ;;
        convert) options="--to --latin1 --backup" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
        scan | restore) COMPREPLY=($(compgen -d -- "$cur")) ;;
        *) COMPREPLY=($(compgen -f -X '!*.[mM][pP]3' -- "$cur") $(compgen -d -- "$cur")) ;;
    esac
}
complete -o filenames -F _tonzettel_cli tonzettel-cli
