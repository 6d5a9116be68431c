; The peer the benchmark compares Setup32 with: a two-page wizard made with
; the NSIS installer system (a choice of components, then the installation
; itself, which installs nothing). Only its size and its time to the first
; page are measured. Built by scripts/bench.sh:
;   makensis -DOUTFILE=<exe> bench/nsis/wizard.nsi
Unicode false
SetCompressor /SOLID lzma
Name "QOB - Programa de Instalação"
Caption "QOB - Instalação do Kit de Acesso"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$TEMP\QOB"

Page components
Page instfiles

Section "Instalar o Internet Explorer 5 (com Cadastramento On-Line)"
SectionEnd

Section /o "Instalar o Discador do QOB"
SectionEnd
