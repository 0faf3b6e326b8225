<?xml version="1.0" encoding="UTF-8"?>
<!-- The collapsible tree of the jobs' elements, the log view and the general information. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <!-- The collector's log: read from the file where a browser or xsltproc applies the stylesheet;
       the collector hands it in with the pages that show it. -->
  <xsl:param name="logFile" select="document(concat($datafolder, 'Logfile.xml'))/Logfile"/>

  <xsl:template match="Tree">
    <div class="treeHeader">
      <xsl:text>Tree: </xsl:text>
      <a href="#" onclick="ExpandAll(); return false;">expand all</a>
      <xsl:text> </xsl:text>
      <a href="#" onclick="CollapseAll(); return false;">collapse all</a>
    </div>
    <ul class="collapsableTree">
      <xsl:for-each select="TreeElement | Plaintext">
        <xsl:choose>
          <xsl:when test="self::Plaintext">
            <li class="treeEndNode" onclick="DoNotToggle(event)"><xsl:apply-templates select="."/></li>
          </xsl:when>
          <xsl:otherwise>
            <xsl:apply-templates select="."/>
          </xsl:otherwise>
        </xsl:choose>
      </xsl:for-each>
    </ul>
  </xsl:template>

  <xsl:template match="TreeElement">
    <xsl:variable name="hasChildren" select="count(TreeElement) &gt; 0"/>
    <!-- The only item of a tree starts open; every other list starts closed. -->
    <xsl:variable name="expanded" select="boolean(parent::Tree) and count(../TreeElement) = 1"/>
    <li>
      <xsl:choose>
        <xsl:when test="$hasChildren and $expanded">
          <xsl:attribute name="class">treeNode expanded</xsl:attribute>
          <xsl:attribute name="onclick">ToggleTreeView(this, event)</xsl:attribute>
        </xsl:when>
        <xsl:when test="$hasChildren">
          <xsl:attribute name="class">treeNode collapsed</xsl:attribute>
          <xsl:attribute name="onclick">ToggleTreeView(this, event)</xsl:attribute>
        </xsl:when>
        <xsl:otherwise>
          <xsl:attribute name="class">treeEndNode</xsl:attribute>
          <xsl:attribute name="onclick">DoNotToggle(event)</xsl:attribute>
        </xsl:otherwise>
      </xsl:choose>
      <xsl:apply-templates select="Value"/>
      <xsl:if test="$hasChildren">
        <ul>
          <xsl:if test="not($expanded)">
            <xsl:attribute name="style">display: none;</xsl:attribute>
          </xsl:if>
          <xsl:apply-templates select="TreeElement"/>
        </ul>
      </xsl:if>
    </li>
  </xsl:template>

  <xsl:template match="TreeElement/Value">
    <xsl:variable name="type" select="string(../@type)"/>
    <xsl:choose>
      <xsl:when test="$type = 'plaintext'">
        <pre class="plaintext"><xsl:value-of select="."/></pre>
      </xsl:when>
      <xsl:otherwise>
        <div class="treeLine" type="{$type}">
          <xsl:choose>
            <xsl:when test="($type = 'regkeywithvalue' or $type = 'regkeywithvalue32' or $type = 'regkeywithvalue64')
                            and contains(., ' = ')">
              <xsl:call-template name="registryValueLine">
                <xsl:with-param name="nameAndPath" select="substring-before(., ' = ')"/>
                <xsl:with-param name="data" select="substring-after(., ' = ')"/>
              </xsl:call-template>
            </xsl:when>
            <xsl:otherwise>
              <xsl:value-of select="."/>
            </xsl:otherwise>
          </xsl:choose>
          <xsl:if test="../@showNumOfChildren = 'true'">
            <xsl:value-of select="concat(' (', count(../TreeElement), ')')"/>
          </xsl:if>
          <xsl:if test="string(@externalLink) != ''">
            <xsl:call-template name="fileLinks">
              <xsl:with-param name="link" select="string(@externalLink)"/>
              <xsl:with-param name="url" select="string(@externalLinkUrl)"/>
            </xsl:call-template>
          </xsl:if>
        </div>
        <xsl:if test="string(@externalLink) != ''">
          <div class="preview" id="preview_{generate-id()}">
            <!-- A collected page shown here runs none of its scripts. -->
            <iframe class="previewFrame" name="frame_{generate-id()}" src="about:blank" sandbox=""></iframe>
          </div>
        </xsl:if>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- "key path\value name = data": the key path, the value icon, the name, " = ", the data. -->
  <xsl:template name="registryValueLine">
    <xsl:param name="nameAndPath"/>
    <xsl:param name="data"/>
    <xsl:variable name="keyPath">
      <xsl:call-template name="beforeLast">
        <xsl:with-param name="text" select="$nameAndPath"/>
        <xsl:with-param name="separator" select="'\'"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="valueName">
      <xsl:choose>
        <xsl:when test="string-length($keyPath) &gt; 0 or starts-with($nameAndPath, '\')">
          <xsl:value-of select="substring($nameAndPath, string-length($keyPath) + 2)"/>
        </xsl:when>
        <xsl:otherwise><xsl:value-of select="$nameAndPath"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <span class="registryKeyPath"><xsl:value-of select="$keyPath"/></span>
    <span class="inlineIcon" type="regszvalue"></span>
    <span class="registryValueName"><xsl:value-of select="$valueName"/></span>
    <xsl:text> = </xsl:text>
    <span class="registryValueData"><xsl:value-of select="$data"/></span>
  </xsl:template>

  <!-- The text before the last separator; empty when there is none. -->
  <xsl:template name="beforeLast">
    <xsl:param name="text"/>
    <xsl:param name="separator"/>
    <xsl:if test="contains($text, $separator)">
      <xsl:value-of select="substring-before($text, $separator)"/>
      <xsl:if test="contains(substring-after($text, $separator), $separator)">
        <xsl:value-of select="$separator"/>
        <xsl:call-template name="beforeLast">
          <xsl:with-param name="text" select="substring-after($text, $separator)"/>
          <xsl:with-param name="separator" select="$separator"/>
        </xsl:call-template>
      </xsl:if>
    </xsl:if>
  </xsl:template>

  <!-- The escaped URL of a link when the collector wrote one; result files and navigation files
       of earlier versions carry the plain path only. -->
  <xsl:template name="linkUrl">
    <xsl:param name="link"/>
    <xsl:param name="url" select="''"/>
    <xsl:choose>
      <xsl:when test="$url != ''"><xsl:value-of select="$url"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="translate($link, '\', '/')"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="fileLinks">
    <xsl:param name="link"/>
    <xsl:param name="url" select="''"/>
    <xsl:variable name="slashed">
      <xsl:call-template name="linkUrl">
        <xsl:with-param name="link" select="$link"/>
        <xsl:with-param name="url" select="$url"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="folder">
      <xsl:call-template name="beforeLast">
        <xsl:with-param name="text" select="$slashed"/>
        <xsl:with-param name="separator" select="'/'"/>
      </xsl:call-template>
    </xsl:variable>
    <span class="fileLinks">
      <xsl:text> </xsl:text>
      <a href="{$slashed}" target="_blank" onclick="StopEventPropagation(event)">[open file]</a>
      <xsl:text> </xsl:text>
      <a href="{$slashed}" target="frame_{generate-id()}"
         onclick="return ToggleObjectPreview('preview_{generate-id()}', event) &amp;&amp; LoadFile(this, 'preview_{generate-id()}')">[show preview]</a>
      <xsl:text> </xsl:text>
      <a href="{$folder}/" target="_blank" onclick="StopEventPropagation(event)">[open file location]</a>
    </span>
  </xsl:template>

  <!-- The collector's own log, read from the XML log beside the result files, in its own order. -->
  <xsl:template match="ResultSet/Logfile">
    <xsl:variable name="entries" select="$logFile/LogEntry"/>
    <xsl:variable name="minimum">
      <xsl:choose>
        <xsl:when test="string(number(@minlevel)) != 'NaN'"><xsl:value-of select="number(@minlevel)"/></xsl:when>
        <xsl:otherwise>0</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <ul class="collapsableTree logView">
      <xsl:choose>
        <xsl:when test="@type = 'grouped'">
          <xsl:call-template name="logGroup">
            <xsl:with-param name="entries" select="$entries"/><xsl:with-param name="level" select="1"/>
            <xsl:with-param name="title" select="'Debug messages'"/><xsl:with-param name="minimum" select="$minimum"/>
          </xsl:call-template>
          <xsl:call-template name="logGroup">
            <xsl:with-param name="entries" select="$entries"/><xsl:with-param name="level" select="2"/>
            <xsl:with-param name="title" select="'Information'"/><xsl:with-param name="minimum" select="$minimum"/>
          </xsl:call-template>
          <xsl:call-template name="logGroup">
            <xsl:with-param name="entries" select="$entries"/><xsl:with-param name="level" select="3"/>
            <xsl:with-param name="title" select="'Warnings'"/><xsl:with-param name="minimum" select="$minimum"/>
          </xsl:call-template>
          <xsl:call-template name="logGroup">
            <xsl:with-param name="entries" select="$entries"/><xsl:with-param name="level" select="4"/>
            <xsl:with-param name="title" select="'Errors'"/><xsl:with-param name="minimum" select="$minimum"/>
          </xsl:call-template>
          <xsl:call-template name="logGroup">
            <xsl:with-param name="entries" select="$entries"/><xsl:with-param name="level" select="5"/>
            <xsl:with-param name="title" select="'Fatal Errors'"/><xsl:with-param name="minimum" select="$minimum"/>
          </xsl:call-template>
        </xsl:when>
        <xsl:otherwise>
          <xsl:apply-templates select="$entries[number(Level) &gt;= number($minimum)]"/>
        </xsl:otherwise>
      </xsl:choose>
    </ul>
  </xsl:template>

  <xsl:template name="logGroup">
    <xsl:param name="entries"/>
    <xsl:param name="level"/>
    <xsl:param name="title"/>
    <xsl:param name="minimum"/>
    <xsl:if test="$level &gt;= number($minimum)">
      <xsl:variable name="members" select="$entries[number(Level) = $level]"/>
      <li class="treeNode collapsed logGroup" onclick="ToggleTreeView(this, event)">
        <div class="treeLine">
          <xsl:attribute name="type">
            <xsl:call-template name="levelType"><xsl:with-param name="level" select="$level"/></xsl:call-template>
          </xsl:attribute>
          <xsl:value-of select="concat($title, ' (', count($members), ')')"/>
        </div>
        <ul style="display: none;">
          <xsl:apply-templates select="$members"/>
        </ul>
      </li>
    </xsl:if>
  </xsl:template>

  <xsl:template match="LogEntry">
    <li class="treeEndNode logEntry" onclick="DoNotToggle(event)">
      <div class="treeLine">
        <xsl:attribute name="type">
          <xsl:call-template name="levelType"><xsl:with-param name="level" select="number(Level)"/></xsl:call-template>
        </xsl:attribute>
        <xsl:text>[</xsl:text>
        <xsl:choose>
          <xsl:when test="number(Level) = 1">Debug</xsl:when>
          <xsl:when test="number(Level) = 2">Info</xsl:when>
          <xsl:when test="number(Level) = 3">Warning</xsl:when>
          <xsl:when test="number(Level) = 4">Error</xsl:when>
          <xsl:when test="number(Level) = 5">Fatal Error</xsl:when>
          <xsl:otherwise>Unknown</xsl:otherwise>
        </xsl:choose>
        <xsl:text>] </xsl:text>
        <xsl:value-of select="DateTime"/>
        <xsl:text>:</xsl:text>
        <div class="logMessage"><xsl:value-of select="Message"/></div>
      </div>
    </li>
  </xsl:template>

  <xsl:template name="levelType">
    <xsl:param name="level"/>
    <xsl:choose>
      <xsl:when test="$level = 1">lvldebug</xsl:when>
      <xsl:when test="$level = 2">lvlinfo</xsl:when>
      <xsl:when test="$level = 3">lvlwarning</xsl:when>
      <xsl:when test="$level = 4">lvlerror</xsl:when>
      <xsl:when test="$level = 5">lvlfatal</xsl:when>
      <xsl:otherwise>unknown</xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="GeneralInformation">
    <ul class="collapsableTree generalInformation">
      <xsl:apply-templates select="Contact | About"/>
    </ul>
  </xsl:template>

  <xsl:template match="Contact">
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'user'"/>
      <xsl:with-param name="label" select="'Name: '"/><xsl:with-param name="text" select="Name"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'user'"/>
      <xsl:with-param name="label" select="'Company: '"/><xsl:with-param name="text" select="Company"/></xsl:call-template>
    <li class="treeEndNode" onclick="DoNotToggle(event)">
      <div class="treeLine" type="user">
        <xsl:text>E-Mail: </xsl:text>
        <a href="mailto:{Email}" onclick="StopEventPropagation(event)"><xsl:value-of select="Email"/></a>
      </div>
    </li>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'user'"/>
      <xsl:with-param name="label" select="'Call-Nr.: '"/><xsl:with-param name="text" select="CallNumber"/></xsl:call-template>
  </xsl:template>

  <xsl:template match="About">
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Mode: '"/><xsl:with-param name="text" select="Mode"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Date/Time UTC: '"/><xsl:with-param name="text" select="DateUTC"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Date/Time local: '"/><xsl:with-param name="text" select="DateLocal"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Timezone: '"/><xsl:with-param name="text" select="Timezone"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Version: '"/><xsl:with-param name="text" select="Version"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Start path: '"/><xsl:with-param name="text" select="Startpath"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Operating System: '"/><xsl:with-param name="text" select="OperatingSystem"/></xsl:call-template>
    <xsl:call-template name="endNode"><xsl:with-param name="type" select="'about'"/>
      <xsl:with-param name="label" select="'Quellon product(s): '"/><xsl:with-param name="text" select="installedQuellonProducts"/></xsl:call-template>
  </xsl:template>

  <xsl:template name="endNode">
    <xsl:param name="type"/>
    <xsl:param name="label"/>
    <xsl:param name="text"/>
    <li class="treeEndNode" onclick="DoNotToggle(event)">
      <div class="treeLine" type="{$type}"><xsl:value-of select="concat($label, $text)"/></div>
    </li>
  </xsl:template>
</xsl:stylesheet>
